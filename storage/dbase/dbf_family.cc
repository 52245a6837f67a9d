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
  return Status::OK();
}

}  // namespace kx::storage
