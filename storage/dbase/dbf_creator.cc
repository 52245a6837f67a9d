// CreateTable for dBASE/FoxPro tables: see storage/api/table_writer.h.
// Header bytes follow storage/doc/dbf_format.md: descriptor byte 17 is 0 for
// C fields, FoxPro descriptors carry the field offset, dBASE ones 0.
#include <cstring>

#include "storage/api/codes.h"
#include "storage/api/table_writer.h"
#include "storage/core/byte_order.h"
#include "storage/core/output_stream.h"
#include "storage/dbase/dbf_header.h"
#include "storage/dbase/dbf_table.h"
#include "storage/dbase/memo_file.h"
#include "storage/io/env.h"
#include "storage/io/file_names.h"

namespace kx::storage {
namespace {

Status Invalid(const std::string& why) { return Status::Error(DBIERR_INVALIDPARAM, why); }

bool TypeAllowed(char t, int level) {
  switch (t) {
    case 'C': case 'N': case 'D': case 'L': case 'M': return true;
    case 'F': return level != 3;
    default: return false;
  }
}

class DbfWriter : public TableWriter {
 public:
  DbfWriter(Env* env, std::string path) : env_(env), path_(std::move(path)) {}

  Status Init(const TableLayout& layout);
  Status Append(const std::vector<std::string>& values, bool deleted) override;
  Status Finish() override;

 private:
  Env* env_;
  std::string path_;
  DbfHeader header_;
  std::vector<std::uint8_t> record_;
  ScopedFd data_fd_, memo_fd_;
  std::unique_ptr<OutputStream> data_;
  std::unique_ptr<MemoSink> memo_;
  std::uint32_t count_ = 0;
};

Status DbfWriter::Init(const TableLayout& layout) {
  const int level = layout.level;
  if (level != 3 && level != 4 && level != 25) return Invalid("level must be 3, 4 or 25");
  if (layout.fields.empty() || layout.fields.size() > (level == 3 ? 128u : 255u)) {
    return Invalid("bad field count");
  }
  const bool fox = level == 25;
  bool has_memo = false;
  std::uint32_t reclen = 1;
  std::vector<DbfField> fields;
  for (const FieldInfo& fi : layout.fields) {
    DbfField f;
    f.name = fi.name;
    f.type = fi.type;
    if (f.name.empty() || f.name.size() > 10) return Invalid("bad field name '" + fi.name + "'");
    if (!TypeAllowed(f.type, level)) {
      return Invalid(std::string("type ") + f.type + " not allowed at this level");
    }
    int len = fi.length;
    if (f.type == 'M') len = 10, has_memo = true;
    if (f.type == 'D') len = 8;
    if (f.type == 'L') len = 1;
    if (len < 1 || len > (f.type == 'C' ? 254 : 20)) return Invalid("bad length of '" + fi.name + "'");
    if (fi.decimals < 0 || (fi.decimals > 0 && (f.type != 'N' && f.type != 'F'))) {
      return Invalid("bad decimals of '" + fi.name + "'");
    }
    f.length = static_cast<std::uint16_t>(len);
    f.decimals = static_cast<std::uint8_t>(fi.decimals);
    f.offset = reclen;
    f.is_memo = f.type == 'M';
    reclen += f.length;
    fields.push_back(f);
  }
  if (reclen > 32767) return Invalid("record too long");

  const std::size_t hl = 32 + 32 * fields.size() + 1;
  std::vector<std::uint8_t> h(hl, 0);
  h[0] = !has_memo ? 0x03 : level == 3 ? 0x83 : level == 4 ? 0x8B : 0xF5;
  int y, m, d;
  env_->Today(&y, &m, &d);
  h[1] = static_cast<std::uint8_t>(fox ? y % 100 : y - 1900);
  h[2] = static_cast<std::uint8_t>(m);
  h[3] = static_cast<std::uint8_t>(d);
  PutLe16(h.data() + 8, static_cast<std::uint16_t>(hl));
  PutLe16(h.data() + 10, static_cast<std::uint16_t>(reclen));
  int ldid = layout.ldid >= 0 ? layout.ldid : level == 3 ? 0 : level == 4 ? 0x57 : 0x03;
  h[29] = static_cast<std::uint8_t>(ldid);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    std::uint8_t* dsc = h.data() + 32 + 32 * i;
    std::memcpy(dsc, fields[i].name.data(), fields[i].name.size());
    dsc[11] = static_cast<std::uint8_t>(fields[i].type);
    if (fox) PutLe32(dsc + 12, fields[i].offset);
    dsc[16] = static_cast<std::uint8_t>(fields[i].length);
    dsc[17] = fields[i].decimals;
  }
  h[hl - 1] = DbfHeader::kTerminator;
  Status s = header_.Parse(h.data(), h.size());
  if (!s.ok()) return s;
  record_.assign(reclen, ' ');

  Fd fd;
  s = env_->Create(path_, 0644, &fd);
  if (!s.ok()) return s;
  data_fd_ = ScopedFd(env_, fd);
  data_ = std::make_unique<OutputStream>(env_, fd, hl);
  if (has_memo) {
    MemoKind kind = header_.memo_kind;
    std::uint32_t bs = level == 3 ? 512 : layout.memo_block_size != 0 ? layout.memo_block_size
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

Status DbfWriter::Append(const std::vector<std::string>& values, bool deleted) {
  if (values.size() != header_.fields.size()) return Invalid("wrong number of values");
  std::memset(record_.data(), ' ', record_.size());
  record_[0] = deleted ? DbfHeader::kDeleted : ' ';
  for (std::size_t i = 0; i < values.size(); ++i) {
    const DbfField& f = header_.fields[i];
    const std::string& v = values[i];
    std::uint8_t* p = record_.data() + f.offset;
    if (f.is_memo) {
      if (v.empty()) continue;
      std::uint32_t block = 0;
      Status s = memo_->AddMemo(v.data(), v.size(), &block);
      if (!s.ok()) return s;
      FormatMemoPointer(block, f, record_.data());
      continue;
    }
    if (v.size() > f.length) return Invalid("value too wide for field '" + f.name + "'");
    bool right = f.type == 'N' || f.type == 'F';
    std::memcpy(p + (right ? f.length - v.size() : 0), v.data(), v.size());
  }
  ++count_;
  return data_->Append(record_.data(), record_.size());
}

Status DbfWriter::Finish() {
  const std::uint8_t eof = DbfHeader::kEof;
  Status s = data_->Append(&eof, 1);
  if (s.ok()) s = data_->Flush();
  header_.SetRecordCount(count_);
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
