// AddIndex for dBASE/FoxPro tables: see storage/api/table_writer.h. The new
// index file (and, for an .ndx, the table's .inf) is built like a
// regeneration (index_plan.h, index_builder.h) and committed as a family;
// header byte 28 and the field flags of a production index follow in place.
#include <cctype>

#include "storage/api/codes.h"
#include "storage/api/table_writer.h"
#include "storage/core/output_stream.h"
#include "storage/dbase/dbf_table.h"
#include "storage/dbase/index_builder.h"
#include "storage/dbase/index_plan.h"
#include "storage/io/crc32.h"
#include "storage/io/family_commit.h"
#include "storage/io/file_names.h"

namespace kx::storage {
namespace {

Status Invalid(const std::string& why, const std::string& path, const std::string& what = {}) {
  return Status::Error(DBIERR_INVALIDPARAM, "add index: " + why, path, what);
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool ValidTagName(const std::string& n) {
  if (n.empty() || n.size() > 10 || !std::isalpha(static_cast<unsigned char>(n[0]))) return false;
  for (char c : n) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

// `text` (an .inf, possibly empty) with NAME added to its [dBASE] section as
// the next "NDXn=" line; the section is created at the end if absent.
std::string InfWithIndex(const std::string& text, const std::string& name) {
  const std::string eol = text.empty() || text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  std::size_t insert_at = std::string::npos;
  int last = 0;
  bool in_dbase = false;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t nl = text.find('\n', pos);
    const std::size_t end = nl == std::string::npos ? text.size() : nl + 1;
    std::string line = AsciiLower(text.substr(pos, end - pos));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
      line.pop_back();
    }
    if (!line.empty() && line[0] == '[') {
      in_dbase = line == "[dbase]";
    } else if (in_dbase && line.compare(0, 3, "ndx") == 0) {
      last = std::max(last, std::atoi(line.c_str() + 3));
    }
    if (in_dbase) insert_at = end;
    pos = end;
  }
  const std::string entry = "NDX" + std::to_string(last + 1) + "=" + name + eol;
  if (insert_at == std::string::npos) {
    std::string out = text;
    if (!out.empty() && out.back() != '\n') out += eol;
    return out + "[dBASE]" + eol + entry;
  }
  std::string head = text.substr(0, insert_at);
  if (!head.empty() && head.back() != '\n') head += eol;
  return head + entry + text.substr(insert_at);
}

Status ReadWhole(Env* env, const std::string& path, std::string* out) {
  Fd fd;
  Status s = env->Open(path, false, &fd);
  if (!s.ok()) return s;
  ScopedFd guard(env, fd);
  out->assign(64 * 1024, '\0');
  std::size_t got = 0;
  s = env->ReadAt(fd, 0, out->data(), out->size(), &got);
  out->resize(got);
  return s;
}

// Writes the table's .inf with `name` listed to its temp and stages it.
Status StageInf(Env* env, DbfTable* table, const std::string& name, std::uint32_t mode,
                std::vector<std::string>* temps, std::vector<StagedMember>* staged) {
  const std::string path = table->Info().path;
  const std::string stem = TableStem(path);
  std::string final_path;
  for (const std::string& entry : table->lock()->dir_entries()) {
    if (AsciiLower(entry) == AsciiLower(stem + ".inf")) final_path = JoinPath(DirName(path), entry);
  }
  std::string text;
  if (!final_path.empty()) {
    Status s = ReadWhole(env, final_path, &text);
    if (!s.ok()) return s;
  } else {
    const std::string ext = BaseName(path).substr(stem.size());
    final_path = JoinPath(DirName(path), stem + (Upper(ext) == ext ? ".INF" : ".inf"));
  }
  text = InfWithIndex(text, name);
  const std::string temp = TempPathFor(final_path);
  Fd fd;
  Status s = env->Create(temp, mode, &fd);
  if (!s.ok()) return s;
  temps->push_back(temp);
  ScopedFd guard(env, fd);
  s = env->WriteAt(fd, 0, text.data(), text.size());
  if (s.ok()) s = env->Sync(fd);
  if (s.ok()) s = guard.Close();
  if (!s.ok()) return s;
  staged->push_back({temp, final_path, text.size(), Crc32Update(0, text.data(), text.size())});
  return Status::OK();
}

// The file the new tag goes into, with the tags it already has.
Status TargetFile(Env* env, DbfTable* table, const IndexSpec& spec, IndexTagDef* def,
                  PlannedIndexFile* out) {
  const std::string path = table->Info().path;
  const DbfHeader& header = table->header();
  if (spec.file.empty()) {
    if (!ValidTagName(spec.tag)) return Invalid("bad tag name '" + spec.tag + "'", path, spec.tag);
    def->name = Upper(spec.tag);
    const TableIndexFile* production = table->indexes().production();
    if (production == nullptr) {
      out->format = header.foxpro ? IndexFormat::kCdx : IndexFormat::kMdx;
      out->final_path = ProductionIndexPath(path, out->format);
      out->production = true;
      return Status::OK();
    }
    TableIndexes only;
    only.files = {*production};
    IndexPlan plan;
    Status s = PlanTableIndexes(env, only, path, header, header, &plan);
    if (!s.ok()) return s;
    *out = std::move(plan.files[0]);
    for (const PlannedTag& t : out->tags) {
      if (Upper(t.def.name) == def->name) return Invalid("tag " + def->name + " exists", path, spec.tag);
    }
    return Status::OK();
  }
  if (spec.file.find('/') != std::string::npos) {
    return Invalid("index file '" + spec.file + "' must be a name in the table's folder", path);
  }
  IndexFormat format;
  bool idx = false;
  if (!IndexFormatOfPath(spec.file, &format, &idx) ||
      (format != IndexFormat::kNdx && !idx)) {
    return Invalid("'" + spec.file + "' is not an .ndx or .idx name", path, spec.file);
  }
  out->final_path = JoinPath(DirName(path), spec.file);
  FileStat st;
  if (table->env()->StatPath(out->final_path, &st).ok()) {
    return Invalid("index file '" + spec.file + "' exists", path, spec.file);
  }
  out->format = format;
  out->stand_alone_idx = idx;
  def->name = TableStem(out->final_path);
  return Status::OK();
}

Status AddToTable(DbfTable* table, const IndexSpec& spec, ProgressSink* progress) {
  Env* env = table->env();
  const std::string path = table->Info().path;
  const DbfHeader& header = table->header();
  Status s = CheckNoIndexMissing(table->indexes(), path, "adding an index");
  if (!s.ok()) return s;
  IndexTagDef def;
  def.key_expression = spec.key_expression;
  def.for_expression = spec.for_expression;
  def.unique = spec.unique;
  def.descending = spec.descending;
  PlannedIndexFile file;
  if (!(s = TargetFile(env, table, spec, &def, &file)).ok()) return s;
  PlannedTag tag;
  s = PlanTag(def, file.format, header, &tag);
  if (!s.ok()) {
    return Status::Error(s.code(), "add index: " + s.message(), path, def.name);
  }
  file.tags.push_back(std::move(tag));
  IndexPlan plan;
  plan.collation = &TableCollation(header);
  plan.files.push_back(std::move(file));

  FileStat data_st;
  if (!(s = env->Stat(table->lock()->fd(), &data_st)).ok()) return s;
  IndexBuildJob job;
  job.env = env;
  job.table_path = path;
  job.header = &header;
  job.data_fd = table->lock()->fd();
  job.data_size = header.data_end();
  job.progress = progress;
  job.file_mode = data_st.mode;
  std::vector<std::string> temps;
  IndexBuildResult built;
  s = BuildIndexTemps(job, &plan, &temps, &built);
  if (s.ok() && !spec.file.empty()) {
    s = StageInf(env, table, BaseName(plan.files[0].final_path), data_st.mode, &temps,
                 &built.staged);
  }
  bool committed = false;
  if (s.ok()) s = CommitFamily(env, path, built.staged, &committed);
  if (!s.ok()) {
    if (!committed) (void)RemoveTemps(env, temps);
    return s;
  }
  if (spec.file.empty()) {
    const std::vector<std::uint8_t> bytes = HeaderBytesForPlan(header, plan);
    if (bytes != header.raw) {
      s = env->WriteAt(table->lock()->fd(), 0, bytes.data(), bytes.size());
      if (s.ok()) s = env->Sync(table->lock()->fd());
      if (!s.ok()) return s;
    }
  }
  return Status::OK();  // the caller closes the table
}

}  // namespace

Status AddIndex(Env* env, const std::string& table_path, const IndexSpec& spec,
                ProgressSink* progress) {
  if (env == nullptr) env = Env::Default();
  std::unique_ptr<DbfTable> table;
  Status s = DbfTable::Open(env, table_path, ShareMode::kExclusive, &table, false);
  if (!s.ok()) return s;
  return AddToTable(table.get(), spec, progress);
}

}  // namespace kx::storage
