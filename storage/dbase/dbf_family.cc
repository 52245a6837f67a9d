// DbfFamily: see dbf_family.h.
#include "storage/dbase/dbf_family.h"

#include <algorithm>

#include "storage/api/codes.h"
#include "storage/io/file_names.h"

namespace kx::storage {
namespace {

// The entry named stem.ext in any case (tables copied from DOS and Windows
// mix cases), preferring an extension in the case of the data file's.
std::string FindMember(const std::vector<std::string>& entries, const std::string& stem,
                       const std::string& ext, bool upper_ext) {
  const std::string want = AsciiLower(stem + "." + ext);
  std::string found;
  for (const std::string& n : entries) {
    if (AsciiLower(n) != want) continue;
    std::string e = n.substr(stem.size() + 1);
    bool is_upper = std::none_of(e.begin(), e.end(), [](char c) { return c >= 'a' && c <= 'z'; });
    if (found.empty() || is_upper == upper_ext) found = n;
  }
  return found;
}

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

Status ReadInfIndexes(Env* env, const std::string& inf_path, const std::string& dir,
                      std::vector<std::string>* out) {
  Fd fd;
  Status s = env->Open(inf_path, false, &fd);
  if (!s.ok()) return s;
  ScopedFd guard(env, fd);
  std::string text(64 * 1024, '\0');
  std::size_t got = 0;
  s = env->ReadAt(fd, 0, text.data(), text.size(), &got);
  if (!s.ok()) return s;
  text.resize(got);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t nl = text.find('\n', pos);
    std::string line = Trim(text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos));
    pos = nl == std::string::npos ? text.size() : nl + 1;
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = AsciiLower(Trim(line.substr(0, eq)));
    std::string value = Trim(line.substr(eq + 1));
    if (key.compare(0, 3, "ndx") == 0 && !value.empty() && value.find('/') == std::string::npos) {
      out->push_back(JoinPath(dir, value));
    }
  }
  return Status::OK();
}

}  // namespace

Status FindDbfFamily(Env* env, const std::string& data_path,
                     const std::vector<std::string>& dir_entries, MemoKind memo_kind,
                     DbfFamily* out) {
  *out = DbfFamily();
  const std::string dir = DirName(data_path);
  const std::string base = BaseName(data_path);
  const std::string stem = TableStem(data_path);
  std::string ext = base.size() > stem.size() ? base.substr(stem.size() + 1) : "";
  bool upper = !ext.empty() && std::none_of(ext.begin(), ext.end(),
                                            [](char c) { return c >= 'a' && c <= 'z'; });
  if (memo_kind != MemoKind::kNone) {
    std::string name = FindMember(dir_entries, stem, memo_kind == MemoKind::kFpt ? "fpt" : "dbt",
                                  upper);
    if (name.empty()) {
      return Status::Error(DBIERR_NOMEMOFILE, "memo file of '" + base + "' not found", data_path);
    }
    out->memo_path = JoinPath(dir, name);
  }
  for (const char* ix : {"mdx", "ndx", "cdx"}) {
    std::string name = FindMember(dir_entries, stem, ix, upper);
    if (!name.empty()) out->index_paths.push_back(JoinPath(dir, name));
  }
  std::string inf = FindMember(dir_entries, stem, "inf", upper);
  if (!inf.empty()) {
    Status s = ReadInfIndexes(env, JoinPath(dir, inf), dir, &out->index_paths);
    if (!s.ok()) return s;
  }
  return Status::OK();
}

}  // namespace kx::storage
