// Env helpers shared by every Env: operation names and path splitting.
#include "storage/io/env.h"

namespace kx::storage {

const char* EnvOpName(EnvOp op) {
  switch (op) {
    case EnvOp::kOpen: return "open";
    case EnvOp::kCreate: return "create";
    case EnvOp::kRead: return "read";
    case EnvOp::kWrite: return "write";
    case EnvOp::kTruncate: return "truncate";
    case EnvOp::kSync: return "fsync";
    case EnvOp::kClose: return "close";
    case EnvOp::kStat: return "stat";
    case EnvOp::kChmod: return "chmod";
    case EnvOp::kLock: return "lock";
    case EnvOp::kUnlock: return "unlock";
    case EnvOp::kStatPath: return "stat";
    case EnvOp::kRealPath: return "resolve";
    case EnvOp::kListDir: return "list";
    case EnvOp::kRename: return "rename";
    case EnvOp::kUnlink: return "unlink";
    case EnvOp::kDirSync: return "fsync directory";
    case EnvOp::kCount: break;
  }
  return "?";
}

bool IsMutating(EnvOp op) {
  switch (op) {
    case EnvOp::kCreate:
    case EnvOp::kWrite:
    case EnvOp::kTruncate:
    case EnvOp::kSync:
    case EnvOp::kDirSync:
    case EnvOp::kRename:
    case EnvOp::kUnlink:
      return true;
    default:
      return false;
  }
}

std::string DirName(const std::string& path) {
  auto pos = path.find_last_of('/');
  if (pos == std::string::npos) return ".";
  if (pos == 0) return "/";
  return path.substr(0, pos);
}

std::string BaseName(const std::string& path) {
  auto pos = path.find_last_of('/');
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir == ".") return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

}  // namespace kx::storage
