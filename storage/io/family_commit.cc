// FamilyCommit: see family_commit.h. Assumptions relied on here: rename
// within one directory is atomic; a directory fsync makes the names in it
// durable; a failed fsync is never retried (the file is abandoned).
#include "storage/io/family_commit.h"

#include <memory>

#include "storage/api/codes.h"
#include "storage/io/crc32.h"
#include "storage/io/file_names.h"
#include "storage/io/intent_record.h"

namespace kx::storage {
namespace {

Status WriteIntent(Env* env, const std::string& path, const std::string& bytes) {
  Fd fd;
  Status s = env->Create(path, 0644, &fd);
  if (!s.ok()) return s;
  ScopedFd guard(env, fd);
  s = env->WriteAt(fd, 0, bytes.data(), bytes.size());
  if (s.ok()) s = env->Sync(fd);
  Status c = guard.Close();
  return s.ok() ? c : s;
}

Status ReadSmallFile(Env* env, const std::string& path, std::size_t limit, std::string* out) {
  Fd fd;
  Status s = env->Open(path, false, &fd);
  if (!s.ok()) return s;
  ScopedFd guard(env, fd);
  out->assign(limit + 1, '\0');
  std::size_t got = 0;
  s = env->ReadAt(fd, 0, out->data(), out->size(), &got);
  out->resize(got);
  return s;
}

Status Mismatch(const std::string& path) {
  return Status::Error(DBIERR_FILECORRUPT,
                       "recovery: '" + BaseName(path) + "' does not match its commit record", path);
}

}  // namespace

Status FileChecksum(Env* env, const std::string& path, std::uint64_t* size, std::uint32_t* crc) {
  Fd fd;
  Status s = env->Open(path, false, &fd);
  if (!s.ok()) return s;
  ScopedFd guard(env, fd);
  constexpr std::size_t kChunk = 1 << 20;
  std::unique_ptr<char[]> buf(new char[kChunk]);
  std::uint64_t off = 0;
  std::uint32_t c = 0;
  for (;;) {
    std::size_t got = 0;
    s = env->ReadAt(fd, off, buf.get(), kChunk, &got);
    if (!s.ok()) return s;
    c = Crc32Update(c, buf.get(), got);
    off += got;
    if (got < kChunk) break;
  }
  *size = off;
  *crc = c;
  return Status::OK();
}

Status CommitFamily(Env* env, const std::string& data_path,
                    const std::vector<StagedMember>& members, bool* committed) {
  *committed = false;
  const std::string dir = DirName(data_path);
  const std::string intent_new = IntentNewPath(data_path);
  const std::string intent = IntentPath(data_path);

  IntentRecord record;
  for (const StagedMember& m : members) {
    record.entries.push_back({m.removal() ? std::string() : BaseName(m.temp_path),
                              BaseName(m.final_path), m.size, m.crc});
  }
  Status s = WriteIntent(env, intent_new, record.Encode());
  if (s.ok()) s = env->Rename(intent_new, intent);
  if (!s.ok()) {
    (void)env->Unlink(intent_new);
    return s;
  }
  // From here the intent is visible: recovery will finish the job, so every
  // failure below leaves things as they are.
  *committed = true;
  s = env->SyncDir(dir);  // commit point: the intent is durable
  if (!s.ok()) return s;
  for (const StagedMember& m : members) {
    s = m.removal() ? env->Unlink(m.final_path) : env->Rename(m.temp_path, m.final_path);
    if (!s.ok()) return s;
  }
  s = env->SyncDir(dir);
  if (!s.ok()) return s;
  s = env->Unlink(intent);
  if (!s.ok()) return s;
  return env->SyncDir(dir);
}

Status RemoveTemps(Env* env, const std::vector<std::string>& temp_paths) {
  Status first;
  for (const std::string& p : temp_paths) {
    Status s = env->Unlink(p);
    if (!s.ok() && s.code() != DBIERR_NOSUCHFILE && first.ok()) first = s;
  }
  return first;
}

Status RecoverFamily(Env* env, const std::string& data_path,
                     const std::vector<std::string>& dir_entries, bool* changed) {
  *changed = false;
  const std::string dir = DirName(data_path);
  const std::string stem = TableStem(data_path);
  bool has_intent = false;
  std::vector<std::string> leftovers;
  for (const std::string& name : dir_entries) {
    if (IsIntentOf(stem, name)) has_intent = true;
    if (IsLeftoverOf(stem, name)) leftovers.push_back(JoinPath(dir, name));
  }
  if (!has_intent && leftovers.empty()) return Status::OK();

  Status s;
  if (has_intent) {
    const std::string intent = IntentPath(data_path);
    std::string bytes;
    s = ReadSmallFile(env, intent, IntentRecord::kMaxBytes, &bytes);
    if (!s.ok()) return s;
    IntentRecord record;
    if (record.Decode(bytes, stem)) {
      std::vector<ScopedFd> held;  // keeps renamed-in inodes locked until done
      for (const IntentEntry& e : record.entries) {
        const std::string final_path = JoinPath(dir, e.final_name);
        if (e.removal()) {  // a member the new family no longer has
          s = env->Unlink(final_path);
          if (s.ok()) *changed = true;
          if (!s.ok() && s.code() != DBIERR_NOSUCHFILE) return s;
          continue;
        }
        const std::string temp = JoinPath(dir, e.temp_name);
        std::uint64_t size;
        std::uint32_t crc;
        s = FileChecksum(env, temp, &size, &crc);
        if (s.code() == DBIERR_NOSUCHFILE) {
          // Renamed before the crash: the member must be the committed one.
          s = FileChecksum(env, final_path, &size, &crc);
          if (!s.ok()) return s;
          if (size != e.size || crc != e.crc) return Mismatch(final_path);
          continue;
        }
        if (!s.ok()) return s;
        if (size != e.size || crc != e.crc) return Mismatch(temp);
        Fd fd;
        s = env->Open(temp, true, &fd);
        if (!s.ok()) return s;
        held.emplace_back(env, fd);
        s = env->Lock(fd, LockKind::kExclusive);
        if (s.ok()) s = env->Rename(temp, final_path);
        if (!s.ok()) return s;
        *changed = true;
      }
      s = env->SyncDir(dir);
      if (s.ok()) s = env->Unlink(intent);
      if (!s.ok()) return s;
      *changed = true;
    } else {
      leftovers.push_back(intent);  // torn: never committed
    }
  }
  for (const std::string& p : leftovers) {
    s = env->Unlink(p);
    if (!s.ok() && s.code() != DBIERR_NOSUCHFILE) return s;
    *changed = true;
  }
  return env->SyncDir(dir);
}

}  // namespace kx::storage
