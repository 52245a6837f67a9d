// PackDbfTable: see dbf_packer.h; the protocol is storage/doc/pack_protocol.md.
#include "storage/dbase/dbf_packer.h"

#include <cstring>
#include <memory>

#include "storage/api/codes.h"
#include "storage/core/output_stream.h"
#include "storage/core/progress_meter.h"
#include "storage/dbase/dbf_table.h"
#include "storage/io/family_commit.h"
#include "storage/io/file_names.h"

namespace kx::storage {
namespace {

Status Annotated(Status s) {
  if (!s.ok() && s.message().compare(0, 6, "pack: ") != 0) {
    Status a = Status::Error(s.code(), "pack: " + s.message(), s.context(0), s.context(1));
    a.WithContext(2, s.context(2)).WithContext(3, s.context(3));
    return a;
  }
  return s;
}

// A temp created with the member's mode and owner.
Status CreateTemp(Env* env, const std::string& path, const FileStat& like, Fd* fd) {
  Status s = env->Create(path, like.mode, fd);
  if (!s.ok()) return s;
  s = env->CopyOwnerAndMode(*fd, like);
  if (!s.ok()) {
    (void)env->Close(*fd);
    (void)env->Unlink(path);
  }
  return s;
}

class Packer {
 public:
  Packer(DbfTable* t, ProgressSink* progress, PackStats* stats)
      : t_(t), env_(t->env()), meter_(progress), stats_(stats) {}

  Status Run();

 private:
  Status Check();
  Status WriteTemps();
  Status CopyRecords(OutputStream* data, MemoSink* memo, std::uint32_t* live);

  DbfTable* t_;
  Env* env_;
  ProgressMeter meter_;
  PackStats* stats_;
  std::vector<std::string> temps_;
  std::vector<StagedMember> staged_;
};

Status Packer::Check() {
  const TableInfo& info = t_->Info();
  if (!info.index_files.empty() || info.production_index_flag) {
    return Status::Error(DBIERR_INDEXNOTSUPPORTED,
                         "index files not supported yet: '" + BaseName(info.path) +
                             "' has an index, pack refused",
                         info.path);
  }
  std::vector<std::string> members = {info.path};
  if (!info.memo_file.empty()) members.push_back(info.memo_file);
  for (const std::string& m : members) {
    FileStat st;
    Status s = env_->StatPath(m, &st);
    if (!s.ok()) return s;
    if (st.nlink > 1) {
      return Status::Error(DBIERR_HARDLINK,
                           "'" + BaseName(m) + "' has other hard links; pack would break them", m);
    }
  }
  return Status::OK();
}

Status Packer::CopyRecords(OutputStream* data, MemoSink* memo, std::uint32_t* live) {
  const DbfHeader& h = t_->header();
  std::vector<std::uint8_t> out(h.record_length);
  std::vector<const DbfField*> memo_fields;
  for (const DbfField& f : h.fields) {
    if (f.is_memo) memo_fields.push_back(&f);
  }
  *live = 0;
  return t_->ForEachRecord([&](std::uint32_t recno, const std::uint8_t* rec) -> Status {
    meter_.Advance(recno);
    if (rec[0] == DbfHeader::kDeleted) return Status::OK();
    const std::uint8_t* src = rec;
    if (!memo_fields.empty()) {
      std::memcpy(out.data(), rec, out.size());
      for (const DbfField* f : memo_fields) {
        std::uint32_t block = 0;
        Status s = ParseMemoPointer(rec, *f, &block);
        if (s.ok() && block != 0) {
          std::uint32_t new_block = 0;
          s = t_->memo()->CopyMemo(block, memo, &new_block);
          if (s.ok() && std::to_string(new_block).size() > f->length) {
            s = Status::Error(DBIERR_RECTOOBIG, "memo file too large for field '" + f->name + "'");
          }
          if (s.ok()) FormatMemoPointer(new_block, *f, out.data());
        }
        if (!s.ok()) {
          return s.WithContext(2, "record " + std::to_string(recno)).WithContext(3, f->name);
        }
      }
      src = out.data();
    }
    ++*live;
    return data->Append(src, h.record_length);
  });
}

Status Packer::WriteTemps() {
  const TableInfo& info = t_->Info();
  DbfHeader header = t_->header();
  FileStat data_st;
  Status s = env_->Stat(t_->lock()->fd(), &data_st);
  if (!s.ok()) return s;

  const std::string data_temp = TempPathFor(info.path);
  Fd data_fd;
  s = CreateTemp(env_, data_temp, data_st, &data_fd);
  if (!s.ok()) return s;
  temps_.push_back(data_temp);
  ScopedFd data_guard(env_, data_fd);

  ScopedFd memo_guard;
  std::unique_ptr<MemoSink> memo;
  std::string memo_temp;
  if (t_->memo() != nullptr) {
    FileStat memo_st;
    s = env_->StatPath(info.memo_file, &memo_st);
    if (!s.ok()) return s;
    memo_temp = TempPathFor(info.memo_file);
    Fd memo_fd;
    s = CreateTemp(env_, memo_temp, memo_st, &memo_fd);
    if (!s.ok()) return s;
    temps_.push_back(memo_temp);
    memo_guard = ScopedFd(env_, memo_fd);
    memo = std::make_unique<MemoSink>(env_, memo_fd, header.memo_kind, t_->memo()->block_size(),
                                      t_->memo()->header());
  }

  OutputStream data(env_, data_fd, header.header_length);
  std::uint32_t live = 0;
  meter_.Start("Packing " + BaseName(info.path), header.record_count);
  s = CopyRecords(&data, memo.get(), &live);
  const std::uint8_t eof = DbfHeader::kEof;
  if (s.ok()) s = data.Append(&eof, 1);
  if (s.ok()) s = data.Flush();
  if (!s.ok()) return s;
  int y, m, d;
  env_->Today(&y, &m, &d);
  header.SetRecordCount(live);
  header.SetUpdateDate(y, m, d);
  header.ClearTransactionFlag();
  s = data.WriteHeader(header.raw.data(), header.raw.size());
  if (s.ok()) s = env_->Sync(data_fd);
  if (!s.ok()) return s;  // a failed sync abandons the temp: never retried
  s = data_guard.Close();
  if (!s.ok()) return s;
  staged_.push_back({data_temp, info.path, data.end(), data.crc()});

  stats_->records_before = info.record_count;
  stats_->records_after = live;
  stats_->bytes_before = data_st.size;
  stats_->bytes_after = data.end();
  if (memo != nullptr) {
    std::uint64_t size;
    std::uint32_t crc;
    s = memo->Finish(&size, &crc);
    if (s.ok()) s = env_->Sync(memo_guard.get());
    if (!s.ok()) return s;
    s = memo_guard.Close();
    if (!s.ok()) return s;
    staged_.push_back({memo_temp, info.memo_file, size, crc});
    stats_->bytes_before += t_->memo_size();
    stats_->bytes_after += size;
    stats_->memo_bytes_reclaimed = t_->memo_size() > size ? t_->memo_size() - size : 0;
  }
  return Status::OK();
}

Status Packer::Run() {
  Status s = Check();
  if (!s.ok()) return s;
  const std::string path = t_->Info().path;
  s = WriteTemps();
  if (!s.ok()) {
    (void)RemoveTemps(env_, temps_);
    return s;
  }
  // The new data file is locked before it takes the table's name, so a
  // newcomer that opens the name waits (busy) until the commit is complete.
  Fd new_fd;
  s = env_->Open(staged_[0].temp_path, true, &new_fd);
  ScopedFd new_guard(env_, s.ok() ? new_fd : kNoFd);
  if (s.ok()) s = env_->Lock(new_fd, LockKind::kExclusive);
  if (!s.ok()) {
    (void)RemoveTemps(env_, temps_);
    return s;
  }
  bool committed = false;
  s = CommitFamily(env_, path, staged_, &committed);
  if (!s.ok()) {
    if (!committed) (void)RemoveTemps(env_, temps_);
    return s;
  }
  FileStat st;
  s = env_->Stat(new_fd, &st);
  if (!s.ok()) return s;
  t_->lock()->Adopt(new_guard.Release(), st);
  s = t_->Load(0);
  if (!s.ok()) return s;
  meter_.Finish();
  std::uint32_t removed = stats_->records_before - stats_->records_after;
  meter_.Message("Packed " + BaseName(path) + ": " + std::to_string(stats_->records_after) +
                 " records kept, " + std::to_string(removed) + " deleted records removed");
  return Status::OK();
}

}  // namespace

Status PackDbfTable(DbfTable* table, ProgressSink* progress, PackStats* stats) {
  *stats = PackStats();
  Packer packer(table, progress, stats);
  return Annotated(packer.Run());
}

}  // namespace kx::storage
