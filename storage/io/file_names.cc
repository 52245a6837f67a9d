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

std::string ScratchPathFor(const std::string& data_path, std::uint32_t n) {
  return IntentPath(data_path) + "." + std::to_string(n);
}

bool IsScratchOf(const std::string& stem, const std::string& name) {
  const std::string head = stem + kTempSuffix + ".";
  if (name.size() <= head.size() || name.compare(0, head.size(), head) != 0) return false;
  if (name[head.size()] < '0' || name[head.size()] > '9') return false;
  for (std::size_t i = head.size(); i < name.size(); ++i) {
    if ((name[i] < '0' || name[i] > '9') && name[i] != '.') return false;
  }
  return true;
}

bool IsMemberExtension(const std::string& ext) {
  static const char* const kKnown[] = {"dbf", "dbt", "fpt", "mdx", "ndx", "cdx", "idx", "inf"};
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
  if (name == stem + kTempSuffix + ".new" || IsScratchOf(stem, name)) return true;
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
