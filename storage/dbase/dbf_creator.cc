// CreateTable for dBASE/FoxPro tables: see storage/api/table_writer.h. The
// header comes from BuildDbfHeader (dbf_header_builder.h); level-7 binary
// fields are encoded by dbf_binary_fields.h.
#include <cstring>

#include "storage/api/codes.h"
#include "storage/api/table_writer.h"
#include "storage/core/byte_order.h"
#include "storage/core/lang/lang_driver.h"
#include "storage/core/output_stream.h"
#include "storage/dbase/dbf_binary_fields.h"
#include "storage/dbase/dbf_header_builder.h"
#include "storage/dbase/dbf_level.h"
#include "storage/dbase/dbf_table.h"
#include "storage/dbase/memo_file.h"
#include "storage/io/env.h"
#include "storage/io/file_names.h"

namespace kx::storage {
namespace {

Status Invalid(const std::string& why) { return Status::Error(DBIERR_INVALIDPARAM, why); }

class DbfWriter : public TableWriter {
 public:
  DbfWriter(Env* env, std::string path) : env_(env), path_(std::move(path)) {}

  Status Init(const TableLayout& layout);
  Status Append(const std::vector<std::string>& values, bool deleted) override;
  Status Finish() override;

 private:
  Status Fields(const TableLayout& layout, std::vector<DbfField>* fields);
  Status LangByte(const TableLayout& layout, DbfHeaderSpec* spec);
  Status PutValue(const DbfField& f, const std::string& v, std::uint8_t* p, std::size_t i);

  Env* env_;
  std::string path_;
  DbfHeader header_;
  std::vector<std::uint8_t> record_;
  std::vector<std::int64_t> autoinc_next_;  // per field: next + value (level 7)
  ScopedFd data_fd_, memo_fd_;
  std::unique_ptr<OutputStream> data_;
  std::unique_ptr<MemoSink> memo_;
  std::uint32_t count_ = 0;
};

Status DbfWriter::Fields(const TableLayout& layout, std::vector<DbfField>* fields) {
  for (const FieldInfo& fi : layout.fields) {
    DbfField f;
    f.name = fi.name;
    f.type = fi.type;
    const int max = MaxFieldWidth(layout.level, f.type);
    if (max == 0) {
      return Invalid(std::string("type ") + f.type + " not allowed at level " +
                     std::to_string(layout.level));
    }
    int len = HasFixedWidth(f.type) ? max : fi.length;
    if (len < 1 || len > max) return Invalid("bad length of '" + fi.name + "'");
    const bool numeric = f.type == 'N' || f.type == 'F';
    if (fi.decimals < 0 || (fi.decimals > 0 && (!numeric || fi.decimals > len - 2))) {
      return Invalid("bad decimals of '" + fi.name + "'");
    }
    f.length = static_cast<std::uint16_t>(len);
    f.decimals = static_cast<std::uint8_t>(fi.decimals);
    f.is_memo = IsMemoFieldType(f.type, layout.level == 25);
    Status s = CheckFieldFitsLevel(f, layout.level);
    if (!s.ok()) return Invalid(s.message());
    fields->push_back(f);
  }
  return Status::OK();
}

Status DbfWriter::LangByte(const TableLayout& layout, DbfHeaderSpec* spec) {
  const LangDriver* d = &DefaultDbaseLangDriver();
  if (!layout.lang_driver.empty()) {
    d = FindLangDriverByName(layout.lang_driver);
    if (d == nullptr) {
      return Status::Error(DBIERR_INVALIDLANGDRV,
                           "no language driver named '" + layout.lang_driver + "'");
    }
  }
  Status s = CheckLangDriverForDbaseLevel(layout.level, *d);
  if (!s.ok()) return s;
  spec->lang_name = std::string(d->name);
  // As a restructure writes it (restructure_plan.cc): DBWINUS0 at level 3
  // without a memo file is 0, the only mark of level 3 there.
  spec->lang_byte = layout.level == 3 && !spec->memo_file && d == &DefaultDbaseLangDriver()
                        ? 0
                        : DbaseHeaderLangByte(layout.level, *d);
  if (layout.ldid >= 0) spec->lang_byte = static_cast<std::uint8_t>(layout.ldid);
  return Status::OK();
}

Status DbfWriter::Init(const TableLayout& layout) {
  const DbfLevel* rules = FindDbfLevel(layout.level);
  if (rules == nullptr) return Invalid("level must be 3, 4, 5, 7 or 25");
  DbfHeaderSpec spec;
  spec.level = layout.level;
  Status s = Fields(layout, &spec.fields);
  if (!s.ok()) return s;
  for (const DbfField& f : spec.fields) spec.memo_file = spec.memo_file || f.is_memo;
  s = LangByte(layout, &spec);
  if (!s.ok()) return s;
  env_->Today(&spec.year, &spec.month, &spec.day);
  s = BuildDbfHeader(spec, &header_);
  if (!s.ok()) return s.code() == DBIERR_RECTOOBIG ? Invalid(s.message()) : s;
  record_.assign(header_.record_length, ' ');
  autoinc_next_.assign(header_.fields.size(), 1);

  Fd fd;
  s = env_->Create(path_, 0644, &fd);
  if (!s.ok()) return s;
  data_fd_ = ScopedFd(env_, fd);
  data_ = std::make_unique<OutputStream>(env_, fd, header_.header_length);
  if (spec.memo_file) {
    const MemoKind kind = rules->memo_kind;
    const bool fox = kind == MemoKind::kFpt;
    std::uint32_t bs = kind == MemoKind::kDbt3 ? 512
                       : layout.memo_block_size != 0 ? layout.memo_block_size
                       : fox ? 64 : 512;
    if (bs < 32 || bs > 65535 || (kind == MemoKind::kDbt4 && bs % 512 != 0)) {
      return Invalid("bad memo block size");
    }
    std::string stem = TableStem(path_);
    std::string base = BaseName(path_);
    bool upper = base.size() > stem.size() && base[stem.size() + 1] >= 'A' &&
                 base[stem.size() + 1] <= 'Z';
    std::string ext = fox ? (upper ? ".FPT" : ".fpt") : (upper ? ".DBT" : ".dbt");
    std::string memo_path = JoinPath(DirName(path_), stem + ext);
    s = env_->Create(memo_path, 0644, &fd);
    if (!s.ok()) return s;
    memo_fd_ = ScopedFd(env_, fd);
    memo_ = std::make_unique<MemoSink>(env_, fd, kind, bs, FreshMemoHeader(kind, bs, stem));
  }
  return Status::OK();
}

Status DbfWriter::PutValue(const DbfField& f, const std::string& v, std::uint8_t* p,
                           std::size_t i) {
  bool ok = true;
  switch (f.type) {
    case 'I':
    case '+':
      ok = EncodeLongField(v, p);
      if (ok && f.type == '+' && !v.empty()) {
        autoinc_next_[i] = std::max<std::int64_t>(autoinc_next_[i], std::stoll(v) + 1);
      }
      break;
    case 'O':
      ok = EncodeDoubleField(v, p);
      break;
    case '@':
      ok = EncodeTimestampField(v, p);
      break;
    default: {
      if (v.size() > f.length) return Invalid("value too wide for field '" + f.name + "'");
      bool right = f.type == 'N' || f.type == 'F';
      std::memcpy(p + (right ? f.length - v.size() : 0), v.data(), v.size());
    }
  }
  return ok ? Status::OK() : Invalid("'" + v + "' is no value of field '" + f.name + "'");
}

Status DbfWriter::Append(const std::vector<std::string>& values, bool deleted) {
  if (values.size() != header_.fields.size()) return Invalid("wrong number of values");
  std::memset(record_.data(), ' ', record_.size());
  record_[0] = deleted ? DbfHeader::kDeleted : ' ';
  for (std::size_t i = 0; i < values.size(); ++i) {
    const DbfField& f = header_.fields[i];
    const std::string& v = values[i];
    if (f.is_memo) {
      if (v.empty()) continue;
      std::uint32_t block = 0;
      std::uint32_t fpt_type = f.type == 'M' ? 1 : f.type == 'G' ? 2 : 0;
      Status s = memo_->AddMemo(v.data(), v.size(), &block, fpt_type);
      if (!s.ok()) return s;
      FormatMemoPointer(block, f, record_.data());
      continue;
    }
    Status s = PutValue(f, v, record_.data() + f.offset, i);
    if (!s.ok()) return s;
  }
  ++count_;
  return data_->Append(record_.data(), record_.size());
}

Status DbfWriter::Finish() {
  const std::uint8_t eof = DbfHeader::kEof;
  Status s = data_->Append(&eof, 1);
  if (s.ok()) s = data_->Flush();
  header_.SetRecordCount(count_);
  if (header_.level == 7) {  // next autoincrement value, descriptor bytes 42-45
    for (std::size_t i = 0; i < header_.fields.size(); ++i) {
      if (header_.fields[i].type != '+') continue;
      PutLe32(header_.raw.data() + 68 + 48 * i + 42, static_cast<std::uint32_t>(autoinc_next_[i]));
    }
  }
  if (s.ok()) s = data_->WriteHeader(header_.raw.data(), header_.raw.size());
  if (s.ok()) s = env_->Sync(data_fd_.get());
  if (s.ok()) s = data_fd_.Close();
  if (s.ok() && memo_ != nullptr) {
    std::uint64_t size;
    std::uint32_t crc;
    s = memo_->Finish(&size, &crc);
    if (s.ok()) s = env_->Sync(memo_fd_.get());
    if (s.ok()) s = memo_fd_.Close();
  }
  if (s.ok()) s = env_->SyncDir(DirName(path_));
  return s;
}

}  // namespace

Status CreateTable(Env* env, const std::string& path, const TableLayout& layout,
                   std::unique_ptr<TableWriter>* out) {
  if (env == nullptr) env = Env::Default();
  auto w = std::make_unique<DbfWriter>(env, path);
  Status s = w->Init(layout);
  if (!s.ok()) return s;
  *out = std::move(w);
  return Status::OK();
}

}  // namespace kx::storage
