// Auxiliary file names: see file_names.h.
#include "storage/io/file_names.h"

#include "storage/io/env.h"

namespace kx::storage {
namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string AsciiLower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string TempPathFor(const std::string& member_path) { return member_path + kTempSuffix; }

std::string TableStem(const std::string& data_path) {
  std::string base = BaseName(data_path);
  auto dot = base.find_last_of('.');
  return (dot == std::string::npos || dot == 0) ? base : base.substr(0, dot);
}

std::string IntentPath(const std::string& data_path) {
  return JoinPath(DirName(data_path), TableStem(data_path) + kTempSuffix);
}

std::string IntentNewPath(const std::string& data_path) { return IntentPath(data_path) + ".new"; }

bool IsMemberExtension(const std::string& ext) {
  static const char* const kKnown[] = {"dbf", "dbt", "fpt", "mdx", "ndx", "cdx"};
  std::string e = AsciiLower(ext);
  for (const char* k : kKnown) {
    if (e == k) return true;
  }
  return false;
}

bool IsIntentOf(const std::string& stem, const std::string& name) {
  return name == stem + kTempSuffix;
}

bool IsLeftoverOf(const std::string& stem, const std::string& name) {
  if (name == stem + kTempSuffix + ".new") return true;
  const std::string suffix = kTempSuffix;
  if (!EndsWith(name, suffix) || name.size() <= stem.size() + 1 + suffix.size()) return false;
  // Members may differ from the data file in case (CUST.DBF, cust.dbt).
  if (AsciiLower(name.substr(0, stem.size())) != AsciiLower(stem) || name[stem.size()] != '.') {
    return false;
  }
  std::string ext = name.substr(stem.size() + 1, name.size() - stem.size() - 1 - suffix.size());
  return ext.find('.') == std::string::npos && IsMemberExtension(ext);
}

}  // namespace kx::storage
