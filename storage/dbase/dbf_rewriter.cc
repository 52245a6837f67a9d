// RewriteDbfTable: see dbf_rewriter.h; the protocol is
// storage/doc/pack_protocol.md.
#include "storage/dbase/dbf_rewriter.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "storage/api/codes.h"
#include "storage/core/lang/transliteration.h"
#include "storage/core/output_stream.h"
#include "storage/core/progress_meter.h"
#include "storage/dbase/dbf_index_step.h"
#include "storage/dbase/dbf_table.h"
#include "storage/dbase/memo_converter.h"
#include "storage/io/family_commit.h"
#include "storage/io/file_names.h"

namespace kx::storage {
namespace {

// Records are read in chunks of about this many bytes.
constexpr std::size_t kReadChunk = std::size_t{1} << 20;

// Restructure steps of the engine's notifications (ProgressSink).
constexpr std::uint32_t kStepProcessing = 0;
constexpr std::uint32_t kStepNewTable = 11;

// A temp created with the mode and owner of `like`.
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

// Blanks around an optional sign, digits and at most one point; or all
// blanks; or the asterisks of an overflowed value. What an N field of
// level 3 holds, as F fields of other levels usually do.
bool IsPlainDecimalText(const std::uint8_t* p, std::size_t n) {
  std::size_t b = 0, e = n;
  while (b < e && p[b] == ' ') ++b;
  while (e > b && p[e - 1] == ' ') --e;
  if (b == e) return true;
  bool stars = true;
  for (std::size_t i = b; i < e; ++i) stars = stars && p[i] == '*';
  if (stars) return true;
  if (p[b] == '-' || p[b] == '+') ++b;
  int digits = 0, points = 0;
  for (std::size_t i = b; i < e; ++i) {
    if (p[i] >= '0' && p[i] <= '9') ++digits;
    else if (p[i] == '.' && ++points == 1) continue;
    else return false;
  }
  return digits > 0;
}

std::size_t DecimalDigits(std::uint32_t v) {
  std::size_t n = 1;
  while (v >= 10) v /= 10, ++n;
  return n;
}

std::string Where(std::uint32_t recno, const DbfField& f) {
  return "record " + std::to_string(recno) + ", field " + f.name;
}

// The failure of one field of one record, its place first in the message
// and in context 1.
Status AtField(const Status& s, std::uint32_t recno, const DbfField& f) {
  const std::string where = Where(recno, f);
  Status out = Status::Error(s.code(), where + ": " + s.message(), s.context(0), where);
  return out.WithContext(2, s.context(1));
}

class Rewriter {
 public:
  Rewriter(DbfTable* t, const DbfRestructurePlan& plan, bool packing, ProgressSink* progress,
           RestructureStats* stats)
      : t_(t), plan_(plan), packing_(packing), env_(t->env()), progress_(progress),
        meter_(progress), stats_(stats) {}

  Status Run();

 private:
  Status Check();
  Status WriteTemps();
  Status WriteMemoTemp(ScopedFd* fd, std::unique_ptr<MemoSink>* sink);
  Status CopyRecords(OutputStream* data, MemoConverter* memo, std::uint32_t* live);
  Status Convert(std::uint32_t recno, const std::uint8_t* rec, std::uint8_t* out,
                 MemoConverter* memo);
  Status Commit();
  void Step(std::uint32_t kind, const std::string& name) {
    if (progress_ != nullptr && !packing_) progress_->RestructureStep(kind, name);
  }

  DbfTable* t_;
  const DbfRestructurePlan& plan_;
  bool packing_;
  Env* env_;
  ProgressSink* progress_;
  ProgressMeter meter_;
  RestructureStats* stats_;
  std::vector<std::string> temps_;
  std::vector<StagedMember> staged_;
  std::string data_temp_, memo_temp_;
  std::uint32_t deleted_kept_ = 0;  // deleted records written (not packing)
};

Status Rewriter::Check() {
  Status s = CheckIndexesCanFollow(*t_, packing_ ? "pack" : "restructure");
  if (!s.ok()) return s;
  const TableInfo& info = t_->Info();
  std::vector<std::string> members = {info.path};
  if (!info.memo_file.empty()) members.push_back(info.memo_file);
  for (const std::string& m : members) {
    FileStat st;
    s = env_->StatPath(m, &st);
    if (!s.ok()) return s;
    if (st.nlink > 1) {
      return Status::Error(DBIERR_HARDLINK,
                           "'" + BaseName(m) + "' has other hard links; rewriting it would break them",
                           m);
    }
  }
  return Status::OK();
}

Status Rewriter::Convert(std::uint32_t recno, const std::uint8_t* rec, std::uint8_t* out,
                         MemoConverter* memo) {
  const DbfHeader& from = t_->header();
  const DbfHeader& to = plan_.target;
  std::memcpy(out, rec, to.record_length);
  for (const FieldMove& m : plan_.moves) {
    const DbfField& f = to.fields[m.field];
    std::uint8_t* p = out + f.offset;
    Status s;
    switch (m.action) {
      case FieldAction::kCopy:
        break;
      case FieldAction::kText: {
        TranscodeFailure failure;
        if (!plan_.text->Apply(std::span<std::uint8_t>(p, f.length), &failure)) {
          s = plan_.text->FailureStatus(failure);
        }
        break;
      }
      case FieldAction::kNumericText:
        if (!IsPlainDecimalText(p, f.length)) {
          s = Status::Error(DBIERR_CANNOTCONVERT,
                            "value '" + std::string(reinterpret_cast<const char*>(p), f.length) +
                                "' is not plain decimal text, which a level 3 N field needs");
        }
        break;
      case FieldAction::kMemo: {
        std::uint32_t block = 0;
        s = ParseMemoPointer(rec, from.fields[m.field], &block);
        if (!s.ok() || block == 0) break;
        std::uint32_t new_block = 0;
        s = memo->Copy(block, m.memo_text ? plan_.text : nullptr, m.fpt_type, &new_block);
        if (s.ok() && DecimalDigits(new_block) > f.length) {
          s = Status::Error(DBIERR_RECTOOBIG, "memo file too large for field '" + f.name + "'");
        }
        if (s.ok()) FormatMemoPointer(new_block, f, out);
        break;
      }
    }
    if (!s.ok()) return AtField(s, recno, f);
  }
  return Status::OK();
}

// Reads the records a chunk at a time (as DbfTable::ForEachRecord does) so
// that records kept as they are leave in runs: one Append per run of
// consecutive kept records rather than one per record.
Status Rewriter::CopyRecords(OutputStream* data, MemoConverter* memo, std::uint32_t* live) {
  const std::size_t in_len = t_->header().record_length;
  const std::size_t out_len = plan_.target.record_length;
  const bool as_is = plan_.moves.empty() && out_len == in_len;
  const std::uint32_t count = t_->header().record_count;
  const std::uint32_t per_chunk =
      static_cast<std::uint32_t>(std::max<std::size_t>(1, kReadChunk / in_len));
  std::unique_ptr<std::uint8_t[]> chunk(new std::uint8_t[per_chunk * in_len]);
  std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[out_len]);
  *live = 0;
  for (std::uint32_t done = 0; done < count;) {
    std::uint32_t n = 0;
    Status s = t_->ReadRecords(done, per_chunk, chunk.get(), &n);
    if (!s.ok()) return s;
    const std::uint8_t* run = nullptr;  // kept records not yet appended
    std::size_t run_len = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint32_t recno = done + i + 1;
      const std::uint8_t* rec = chunk.get() + std::size_t{i} * in_len;
      meter_.Advance(recno);
      if (rec[0] == DbfHeader::kDeleted) {
        if (plan_.pack) {
          if (run_len != 0) s = data->Append(run, run_len);
          if (!s.ok()) return s;
          run_len = 0;
          continue;
        }
        ++deleted_kept_;
      }
      ++*live;
      if (as_is) {
        if (run_len == 0) run = rec;
        run_len += in_len;
        continue;
      }
      s = Convert(recno, rec, out.get(), memo);
      if (s.ok()) s = data->Append(out.get(), out_len);
      if (!s.ok()) return s;
    }
    if (run_len != 0) s = data->Append(run, run_len);
    if (!s.ok()) return s;
    done += n;
  }
  return Status::OK();
}

Status Rewriter::WriteMemoTemp(ScopedFd* fd, std::unique_ptr<MemoSink>* sink) {
  const TableInfo& info = t_->Info();
  FileStat memo_st;
  Status s = env_->StatPath(info.memo_file, &memo_st);
  if (!s.ok()) return s;
  memo_temp_ = TempPathFor(plan_.memo_path);
  Fd memo_fd;
  s = CreateTemp(env_, memo_temp_, memo_st, &memo_fd);
  if (!s.ok()) return s;
  temps_.push_back(memo_temp_);
  *fd = ScopedFd(env_, memo_fd);
  *sink = std::make_unique<MemoSink>(env_, memo_fd, plan_.memo_kind, plan_.memo_block_size,
                                     plan_.memo_header);
  return Status::OK();
}

Status Rewriter::WriteTemps() {
  const TableInfo& info = t_->Info();
  DbfHeader header = plan_.target;
  FileStat data_st;
  Status s = env_->Stat(t_->lock()->fd(), &data_st);
  if (!s.ok()) return s;

  Step(kStepNewTable, "Table");
  data_temp_ = TempPathFor(info.path);
  Fd data_fd;
  s = CreateTemp(env_, data_temp_, data_st, &data_fd);
  if (!s.ok()) return s;
  temps_.push_back(data_temp_);
  ScopedFd data_guard(env_, data_fd);

  ScopedFd memo_guard;
  std::unique_ptr<MemoSink> memo;
  std::unique_ptr<MemoConverter> converter;
  if (plan_.memo_kind != MemoKind::kNone) {
    s = WriteMemoTemp(&memo_guard, &memo);
    if (!s.ok()) return s;
    converter = std::make_unique<MemoConverter>(t_->memo(), memo.get(), plan_.memo_verbatim);
  }

  OutputStream data(env_, data_fd, header.header_length);
  std::uint32_t live = 0;
  meter_.Start((packing_ ? "Packing " : "Restructuring ") + BaseName(info.path),
               info.record_count);
  Step(kStepProcessing, "");
  s = CopyRecords(&data, converter.get(), &live);
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
  staged_.push_back({data_temp_, info.path, data.end(), data.crc()});

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
    staged_.push_back({memo_temp_, plan_.memo_path, size, crc});
    stats_->bytes_before += t_->memo_size();
    stats_->bytes_after += size;
    stats_->memo_bytes_reclaimed = t_->memo_size() > size ? t_->memo_size() - size : 0;
  }
  IndexStepInput index_input{t_, &header, data_temp_, memo_temp_, progress_};
  s = RebuildFamilyIndexes(index_input, &temps_, &staged_);
  if (!s.ok()) return s;
  if (!plan_.memo_removed.empty()) staged_.push_back({std::string(), plan_.memo_removed, 0, 0});
  return Status::OK();
}

Status Rewriter::Commit() {
  const std::string path = t_->Info().path;
  // The new data file is locked before it takes the table's name, so a
  // newcomer that opens the name waits (busy) until the commit is complete.
  Fd new_fd;
  Status s = env_->Open(data_temp_, true, &new_fd);
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
  std::vector<std::string> entries;
  if (s.ok()) s = env_->ListDir(DirName(path), &entries);
  if (!s.ok()) return s;
  t_->lock()->Adopt(new_guard.Release(), st, std::move(entries));
  return t_->Load(deleted_kept_);
}

Status Rewriter::Run() {
  Status s = Check();
  if (!s.ok()) return s;
  const TableInfo& before = t_->Info();
  const std::string name = BaseName(before.path);
  s = WriteTemps();
  if (!s.ok()) {
    (void)RemoveTemps(env_, temps_);
    return s;
  }
  s = Commit();
  if (!s.ok()) return s;
  meter_.Finish();
  stats_->level_before = plan_.level_before;
  stats_->level_after = plan_.level_after;
  stats_->lang_before = plan_.lang_before;
  stats_->lang_after = plan_.lang_after;
  stats_->block_size_before = plan_.block_size_before;
  stats_->block_size_after = plan_.memo_block_size;
  std::uint32_t removed = stats_->records_before - stats_->records_after;
  if (packing_) {
    meter_.Message("Packed " + name + ": " + std::to_string(stats_->records_after) +
                   " records kept, " + std::to_string(removed) + " deleted records removed");
  } else {
    std::string text = "Restructured " + name + " (" + plan_.summary + "): " +
                       std::to_string(stats_->records_after) + " records";
    if (plan_.pack) text += ", " + std::to_string(removed) + " deleted records removed";
    meter_.Message(text);
  }
  return Status::OK();
}

Status Annotated(Status s, const char* verb) {
  const std::string prefix = std::string(verb) + ": ";
  if (!s.ok() && s.message().compare(0, prefix.size(), prefix) != 0) {
    Status a = Status::Error(s.code(), prefix + s.message(), s.context(0), s.context(1));
    a.WithContext(2, s.context(2)).WithContext(3, s.context(3));
    return a;
  }
  return s;
}

}  // namespace

Status RewriteDbfTable(DbfTable* table, const DbfRestructurePlan& plan, bool packing,
                       ProgressSink* progress, RestructureStats* stats) {
  *stats = RestructureStats();
  Rewriter rewriter(table, plan, packing, progress, stats);
  return Annotated(rewriter.Run(), packing ? "pack" : "restructure");
}

}  // namespace kx::storage
