// DbfTable: see dbf_table.h.
#include "storage/dbase/dbf_table.h"

#include <cstring>

#include "storage/api/codes.h"
#include "storage/dbase/dbf_packer.h"
#include "storage/dbase/index_regen.h"

namespace kx::storage {
namespace {

Status HeaderCorrupt(const std::string& path, const std::string& why) {
  return Status::Error(DBIERR_HEADERCORRUPT, "table header corrupt: " + why, path);
}

}  // namespace

Status ParseMemoPointer(const std::uint8_t* record, const DbfField& field, std::uint32_t* block) {
  const std::uint8_t* p = record + field.offset;
  std::size_t b = 0, e = field.length;
  while (b < e && (p[b] == ' ' || p[b] == 0)) ++b;
  while (e > b && (p[e - 1] == ' ' || p[e - 1] == 0)) --e;
  std::uint64_t v = 0;
  for (std::size_t i = b; i < e; ++i) {
    if (p[i] < '0' || p[i] > '9' || v > 0xFFFFFFFFull / 10) {
      return Status::Error(DBIERR_MEMOCORRUPT,
                           "memo pointer of field '" + field.name + "' is not a block number");
    }
    v = v * 10 + (p[i] - '0');
  }
  if (v > 0xFFFFFFFFull) {
    return Status::Error(DBIERR_MEMOCORRUPT, "memo pointer of field '" + field.name + "' too large");
  }
  *block = static_cast<std::uint32_t>(v);
  return Status::OK();
}

void FormatMemoPointer(std::uint32_t block, const DbfField& field, std::uint8_t* record) {
  std::uint8_t* p = record + field.offset;
  std::memset(p, ' ', field.length);
  if (block == 0) return;
  // Once per memo of a rewrite: digits by hand rather than through printf.
  char digits[10];
  int n = 0;
  for (std::uint32_t v = block; v != 0; v /= 10) digits[9 - n++] = static_cast<char>('0' + v % 10);
  const int keep = n > field.length ? field.length : n;  // REQUIRES: fits (checked by the caller)
  std::memcpy(p + field.length - keep, digits + 10 - n, static_cast<std::size_t>(keep));
}

Status DbfTable::Open(Env* env, const std::string& path, ShareMode mode,
                      std::unique_ptr<DbfTable>* out, bool count_deleted,
                      const OpenOptions& options) {
  std::unique_ptr<DbfTable> t(new DbfTable(env));
  t->named_indexes_ = options.index_files;
  Status s = t->lock_.Acquire(env, path,
                              mode == ShareMode::kExclusive ? LockKind::kExclusive : LockKind::kShared);
  if (!s.ok()) return s;
  s = t->Load(count_deleted ? -1 : -2);
  if (!s.ok()) return s;
  *out = std::move(t);
  return Status::OK();
}

Status DbfTable::Load(long known_deleted) {
  const std::string& path = lock_.path();
  memo_fd_.Reset();
  FileStat st;
  Status s = env_->Stat(lock_.fd(), &st);
  if (!s.ok()) return s;

  std::uint8_t prefix[DbfHeader::kPrefixSize];
  std::size_t got = 0;
  s = env_->ReadAt(lock_.fd(), 0, prefix, sizeof prefix, &got);
  if (!s.ok()) return s;
  std::uint16_t header_length = 0;
  s = DbfHeader::PeekHeaderLength(prefix, got, &header_length);
  if (!s.ok()) return s.WithContext(0, path);
  std::vector<std::uint8_t> bytes(header_length);
  s = env_->ReadAt(lock_.fd(), 0, bytes.data(), bytes.size(), &got);
  if (!s.ok()) return s;
  if (got != bytes.size()) return HeaderCorrupt(path, "file shorter than its header");
  header_ = DbfHeader();
  s = header_.Parse(bytes.data(), bytes.size());
  if (!s.ok()) return s.WithContext(0, path);
  if (st.size < header_.data_end()) {
    return Status::Error(DBIERR_FILECORRUPT,
                         "table '" + BaseName(path) + "' is shorter than its " +
                             std::to_string(header_.record_count) + " records",
                         path);
  }

  s = FindDbfFamily(env_, path, lock_.dir_entries(), header_.memo_kind, &family_);
  if (!s.ok()) return s;
  std::uint64_t bytes_total = st.size;
  if (!family_.memo_path.empty()) {
    Fd fd;
    s = env_->Open(family_.memo_path, false, &fd);
    if (s.code() == DBIERR_NOSUCHFILE) {
      return Status::Error(DBIERR_NOMEMOFILE, "memo file of '" + BaseName(path) + "' not found",
                           path);
    }
    if (!s.ok()) return s;
    memo_fd_ = ScopedFd(env_, fd);
    s = memo_.Open(env_, fd, family_.memo_path, header_.memo_kind);
    if (!s.ok()) return s;
    bytes_total += memo_.size();
  }
  s = FindTableIndexes(env_, path, lock_.dir_entries(), header_, named_indexes_, &indexes_);
  if (!s.ok()) return s;
  family_.index_paths = indexes_.paths();
  for (const std::string& ix : family_.index_paths) {
    FileStat ist;
    if (env_->StatPath(ix, &ist).ok()) bytes_total += ist.size;
  }

  info_ = TableInfo();
  info_.path = path;
  info_.driver_type = header_.foxpro ? "FOXPRO" : "DBASE";
  info_.level = header_.level;
  info_.version_byte = header_.version;
  info_.memo_block_size = family_.memo_path.empty() ? 0 : memo_.block_size();
  info_.lang_driver = header_.lang_driver;
  info_.record_count = header_.record_count;
  info_.header_length = header_.header_length;
  info_.record_length = header_.record_length;
  for (const DbfField& f : header_.fields) {
    info_.fields.push_back({f.name, f.type, f.length, f.decimals});
  }
  info_.memo_file = family_.memo_path;
  info_.index_files = family_.index_paths;
  info_.missing_index_files = indexes_.missing;
  info_.production_index_flag = header_.production_index();
  info_.bytes = bytes_total;
  if (known_deleted >= 0) {
    info_.deleted_count = static_cast<std::uint32_t>(known_deleted);
    return Status::OK();
  }
  if (known_deleted == -2) return Status::OK();
  std::uint32_t deleted = 0;
  s = ForEachRecord([&](std::uint32_t, const std::uint8_t* rec) {
    if (rec[0] == DbfHeader::kDeleted) ++deleted;
    return Status::OK();
  });
  if (!s.ok()) return s;
  info_.deleted_count = deleted;
  return Status::OK();
}

Status DbfTable::ReadRecords(std::uint32_t first, std::uint32_t max, std::uint8_t* buf,
                             std::uint32_t* n) {
  const std::size_t reclen = header_.record_length;
  *n = std::min(max, header_.record_count - first);
  std::size_t got = 0;
  Status s = env_->ReadAt(lock_.fd(), header_.header_length + std::uint64_t{first} * reclen, buf,
                          *n * reclen, &got);
  if (!s.ok()) return s;
  if (got != *n * reclen) {
    return Status::Error(DBIERR_FILECORRUPT, "table '" + BaseName(lock_.path()) +
                                                 "' ended inside record " +
                                                 std::to_string(first + 1 + got / reclen),
                         lock_.path());
  }
  return Status::OK();
}

Status DbfTable::ReadMemoField(const std::uint8_t* record, const DbfField& field, bool* present,
                               std::string* contents) {
  std::uint32_t block = 0;
  Status s = ParseMemoPointer(record, field, &block);
  if (!s.ok()) return s;
  *present = block != 0;
  contents->clear();
  if (block == 0) return Status::OK();
  if (memo() == nullptr) return Status::Error(DBIERR_NOMEMOFILE, "table has no memo file");
  return memo_.ReadMemo(block, contents);
}

Status DbfTable::Restructure(const RestructureRequest& request, ProgressSink* progress,
                             RestructureStats* stats) {
  if (lock_.kind() != LockKind::kExclusive) {
    return Status::Error(DBIERR_INVALIDPARAM, "restructure needs the table open exclusively",
                         lock_.path());
  }
  return RestructureDbfTable(this, request, progress, stats);
}

Status DbfTable::RegenIndexes(ProgressSink* progress, RegenStats* stats) {
  if (lock_.kind() != LockKind::kExclusive) {
    return Status::Error(DBIERR_INVALIDPARAM, "index regeneration needs the table open exclusively",
                         lock_.path());
  }
  RegenStats local;
  return RegenDbfIndexes(this, progress, stats != nullptr ? stats : &local);
}

Status DbfTable::Pack(ProgressSink* progress, PackStats* stats) {
  if (lock_.kind() != LockKind::kExclusive) {
    return Status::Error(DBIERR_INVALIDPARAM, "pack needs the table open exclusively",
                         lock_.path());
  }
  PackStats local;
  return PackDbfTable(this, progress, stats != nullptr ? stats : &local);
}

}  // namespace kx::storage
