// PosixEnv: see posix_env.h. Each mutating call is bracketed by
// KillPoints::Before/After so the crash sweep can stop the process between
// any two steps of a commit.
#include "storage/io/posix_env.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "storage/api/codes.h"
#include "storage/io/kill_points.h"

namespace kx::storage {
namespace {

std::uint16_t CodeFor(EnvOp op, int err) {
  switch (err) {
    case ENOSPC:
    case EDQUOT:
      return DBIERR_NODISKSPACE;
    case ENOENT:
      return DBIERR_NOSUCHFILE;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return DBIERR_OSACCESS;
    case ENOMEM:
      return DBIERR_NOMEMORY;
    default:
      break;
  }
  switch (op) {
    case EnvOp::kRead:
    case EnvOp::kStat:
    case EnvOp::kStatPath:
    case EnvOp::kListDir:
    case EnvOp::kRealPath:
      return DBIERR_READERR;
    case EnvOp::kSync:
    case EnvOp::kDirSync:
      return DBIERR_SYNCERR;
    case EnvOp::kRename:
      return DBIERR_RENAMEERR;
    case EnvOp::kOpen:
    case EnvOp::kLock:
    case EnvOp::kUnlock:
      return DBIERR_OSACCESS;
    default:
      return DBIERR_WRITEERR;
  }
}

void FillStat(const struct stat& s, FileStat* st) {
  st->dev = s.st_dev;
  st->ino = s.st_ino;
  st->size = static_cast<std::uint64_t>(s.st_size);
  st->mode = s.st_mode & 07777;
  st->nlink = static_cast<std::uint32_t>(s.st_nlink);
  st->uid = s.st_uid;
  st->gid = s.st_gid;
  st->is_regular = S_ISREG(s.st_mode);
}

struct Mutation {
  Mutation() { KillPoints::Before(); }
  ~Mutation() { KillPoints::After(); }
};

}  // namespace

Status ErrnoStatus(EnvOp op, const std::string& path, int err) {
  std::string msg = EnvOpName(op);
  msg += " '" + BaseName(path) + "': ";
  msg += std::strerror(err);
  return Status::Error(CodeFor(op, err), std::move(msg), path);
}

Env* Env::Default() {
  static Env* env = new PosixEnv();
  return env;
}

PosixEnv::PosixEnv() { KillPoints::Configure(); }

std::string PosixEnv::NameOf(Fd fd) {
  std::lock_guard<std::mutex> lock(mu_);
  auto it = names_.find(fd);
  return it == names_.end() ? "fd " + std::to_string(fd) : it->second;
}

Status PosixEnv::Open(const std::string& path, bool writable, Fd* fd) {
  int f;
  do {
    f = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  } while (f < 0 && errno == EINTR);
  if (f < 0) return ErrnoStatus(EnvOp::kOpen, path, errno);
  std::lock_guard<std::mutex> lock(mu_);
  names_[f] = path;
  *fd = f;
  return Status::OK();
}

Status PosixEnv::Create(const std::string& path, std::uint32_t mode, Fd* fd) {
  int f;
  {
    Mutation m;
    do {
      f = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode & 07777);
    } while (f < 0 && errno == EINTR);
  }
  if (f < 0) return ErrnoStatus(EnvOp::kCreate, path, errno);
  if (::fchmod(f, mode & 07777) != 0) {
    int err = errno;
    ::close(f);
    ::unlink(path.c_str());
    return ErrnoStatus(EnvOp::kChmod, path, err);
  }
  std::lock_guard<std::mutex> lock(mu_);
  names_[f] = path;
  *fd = f;
  return Status::OK();
}

Status PosixEnv::ReadAt(Fd fd, std::uint64_t off, void* buf, std::size_t n, std::size_t* got) {
  std::size_t done = 0;
  char* p = static_cast<char*>(buf);
  while (done < n) {
    ssize_t r = ::pread(fd, p + done, n - done, static_cast<off_t>(off + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      return Fail(EnvOp::kRead, fd, errno);
    }
    if (r == 0) break;
    done += static_cast<std::size_t>(r);
  }
  *got = done;
  return Status::OK();
}

Status PosixEnv::WriteAt(Fd fd, std::uint64_t off, const void* buf, std::size_t n) {
  Mutation m;
  std::size_t done = 0;
  const char* p = static_cast<const char*>(buf);
  while (done < n) {
    ssize_t r = ::pwrite(fd, p + done, n - done, static_cast<off_t>(off + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      return Fail(EnvOp::kWrite, fd, errno);
    }
    if (r == 0) return Fail(EnvOp::kWrite, fd, EIO);
    done += static_cast<std::size_t>(r);
  }
  return Status::OK();
}

Status PosixEnv::Truncate(Fd fd, std::uint64_t size) {
  Mutation m;
  int r;
  do {
    r = ::ftruncate(fd, static_cast<off_t>(size));
  } while (r < 0 && errno == EINTR);
  return r == 0 ? Status::OK() : Fail(EnvOp::kTruncate, fd, errno);
}

Status PosixEnv::Sync(Fd fd) {
  Mutation m;
  // No EINTR loop: fsync is not interrupted by signals on Linux, and a
  // failed sync must not be repeated.
  return ::fsync(fd) == 0 ? Status::OK() : Fail(EnvOp::kSync, fd, errno);
}

void PosixEnv::StartWriteback(Fd fd, std::uint64_t off, std::uint64_t n) {
  // SYNC_FILE_RANGE_WRITE alone queues the dirty pages and returns; an I/O
  // error of that write-back is kept by the kernel for the file and comes
  // back from the next fsync, so the result can be ignored.
  (void)::sync_file_range(fd, static_cast<off64_t>(off), static_cast<off64_t>(n),
                          SYNC_FILE_RANGE_WRITE);
}

Status PosixEnv::Stat(Fd fd, FileStat* st) {
  struct stat s;
  if (::fstat(fd, &s) != 0) return Fail(EnvOp::kStat, fd, errno);
  FillStat(s, st);
  return Status::OK();
}

Status PosixEnv::CopyOwnerAndMode(Fd fd, const FileStat& like) {
  struct stat s;
  if (::fstat(fd, &s) != 0) return Fail(EnvOp::kStat, fd, errno);
  if ((s.st_uid != like.uid || s.st_gid != like.gid) && ::fchown(fd, like.uid, like.gid) != 0) {
    // Only root may give a file away; keeping the group where we are a
    // member is still worth a try. Anything else is left as created.
    if (errno != EPERM) return Fail(EnvOp::kChmod, fd, errno);
    if (s.st_gid != like.gid) (void)!::fchown(fd, static_cast<uid_t>(-1), like.gid);
  }
  if (::fchmod(fd, like.mode & 07777) != 0) return Fail(EnvOp::kChmod, fd, errno);
  return Status::OK();
}

Status PosixEnv::Lock(Fd fd, LockKind kind) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = kind == LockKind::kExclusive ? F_WRLCK : F_RDLCK;
  fl.l_whence = SEEK_SET;
  if (::fcntl(fd, F_OFD_SETLK, &fl) == 0) return Status::OK();
  int err = errno;
  if (err == EAGAIN || err == EACCES) {
    return Status::Error(DBIERR_FILEBUSY, "table '" + BaseName(NameOf(fd)) + "' is in use",
                         NameOf(fd));
  }
  return Fail(EnvOp::kLock, fd, err);
}

Status PosixEnv::Unlock(Fd fd) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  return ::fcntl(fd, F_OFD_SETLK, &fl) == 0 ? Status::OK() : Fail(EnvOp::kUnlock, fd, errno);
}

Status PosixEnv::Close(Fd fd) {
  std::string name = NameOf(fd);
  {
    std::lock_guard<std::mutex> lock(mu_);
    names_.erase(fd);
  }
  // Linux releases the descriptor even when close fails: never retry.
  if (::close(fd) != 0 && errno != EINTR) return ErrnoStatus(EnvOp::kClose, name, errno);
  return Status::OK();
}

Status PosixEnv::StatPath(const std::string& path, FileStat* st) {
  struct stat s;
  if (::stat(path.c_str(), &s) != 0) return ErrnoStatus(EnvOp::kStatPath, path, errno);
  FillStat(s, st);
  return Status::OK();
}

Status PosixEnv::RealPath(const std::string& path, std::string* out) {
  char* r = ::realpath(path.c_str(), nullptr);
  if (r == nullptr) return ErrnoStatus(EnvOp::kRealPath, path, errno);
  *out = r;
  std::free(r);
  return Status::OK();
}

Status PosixEnv::ListDir(const std::string& dir, std::vector<std::string>* names) {
  names->clear();
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return ErrnoStatus(EnvOp::kListDir, dir, errno);
  DIR* d = ::fdopendir(dfd);
  if (d == nullptr) {
    int err = errno;
    ::close(dfd);
    return ErrnoStatus(EnvOp::kListDir, dir, err);
  }
  errno = 0;
  while (struct dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
      names->emplace_back(e->d_name);
    }
    errno = 0;
  }
  int err = errno;
  ::closedir(d);
  return err == 0 ? Status::OK() : ErrnoStatus(EnvOp::kListDir, dir, err);
}

Status PosixEnv::Rename(const std::string& from, const std::string& to) {
  Mutation m;
  if (::rename(from.c_str(), to.c_str()) == 0) return Status::OK();
  Status s = ErrnoStatus(EnvOp::kRename, from, errno);
  return s.WithContext(1, to);
}

Status PosixEnv::Unlink(const std::string& path) {
  Mutation m;
  return ::unlink(path.c_str()) == 0 ? Status::OK() : ErrnoStatus(EnvOp::kUnlink, path, errno);
}

Status PosixEnv::SyncDir(const std::string& dir) {
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return ErrnoStatus(EnvOp::kDirSync, dir, errno);
  int r, err = 0;
  {
    Mutation m;
    r = ::fsync(dfd);
    if (r != 0) err = errno;
  }
  ::close(dfd);
  return r == 0 ? Status::OK() : ErrnoStatus(EnvOp::kDirSync, dir, err);
}

void PosixEnv::Today(int* year, int* month, int* day) {
  time_t now = ::time(nullptr);
  struct tm tm;
  ::localtime_r(&now, &tm);
  *year = tm.tm_year + 1900;
  *month = tm.tm_mon + 1;
  *day = tm.tm_mday;
}

}  // namespace kx::storage
