// TableIndexes: see table_indexes.h.
#include "storage/dbase/table_indexes.h"

#include <algorithm>

#include "storage/api/codes.h"
#include "storage/io/file_names.h"

namespace kx::storage {
namespace {

bool HasLower(const std::string& s) {
  return std::any_of(s.begin(), s.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// The entry whose name is `name` in any case; with several, the one whose
// letters are all upper case when `upper` (as the data file's extension),
// else the last other one. Empty when none.
std::string FindEntry(const std::vector<std::string>& entries, const std::string& name,
                      bool upper) {
  const std::string want = AsciiLower(name);
  std::string found;
  for (const std::string& n : entries) {
    if (AsciiLower(n) != want) continue;
    if (found.empty() || !HasLower(n) == upper) found = n;
  }
  return found;
}

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

// The names an .inf lists: "NDXn=NAME" lines of the [dBASE] section (or of
// a file without sections). A DOS path is cut to its file name: the index
// must sit beside the table.
Status ReadInfNames(Env* env, const std::string& inf_path, std::vector<std::string>* out) {
  Fd fd;
  Status s = env->Open(inf_path, false, &fd);
  if (!s.ok()) return s;
  ScopedFd guard(env, fd);
  std::string text(64 * 1024, '\0');
  std::size_t got = 0;
  s = env->ReadAt(fd, 0, text.data(), text.size(), &got);
  if (!s.ok()) return s;
  text.resize(got);
  bool in_dbase = true;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) nl = text.size();
    const std::string line = Trim(text.substr(pos, nl - pos));
    pos = nl + 1;
    if (!line.empty() && line[0] == '[') {
      in_dbase = AsciiLower(line) == "[dbase]";
      continue;
    }
    const std::size_t eq = line.find('=');
    if (!in_dbase || eq == std::string::npos) continue;
    if (AsciiLower(Trim(line.substr(0, eq))).compare(0, 3, "ndx") != 0) continue;
    std::string value = Trim(line.substr(eq + 1));
    const std::size_t sep = value.find_last_of("\\/:");
    if (sep != std::string::npos) value = value.substr(sep + 1);
    if (!value.empty() && value != "." && value != "..") out->push_back(value);
  }
  return Status::OK();
}

bool Listed(const TableIndexes& t, const std::string& path) {
  for (const TableIndexFile& f : t.files) {
    if (f.path == path) return true;
  }
  return std::find(t.missing.begin(), t.missing.end(), path) != t.missing.end();
}

Status AddNamed(Env* env, const std::string& dir, const std::vector<std::string>& entries,
                const std::string& name, bool upper, TableIndexes* out) {
  const std::string given = name.empty() || name[0] != '/' ? JoinPath(dir, name) : name;
  std::string path;
  Status s = env->RealPath(DirName(given), &path);
  if (s.ok() && path != dir) {
    return Status::Error(DBIERR_INVALIDPARAM,
                         "index file '" + name + "' is not in the table's folder", dir, name);
  }
  TableIndexFile f;
  if (!IndexFormatOfPath(given, &f.format, &f.stand_alone_idx)) {
    return Status::Error(DBIERR_INVALIDPARAM,
                         "'" + name + "' is not an .ndx, .mdx, .cdx or .idx file", dir, name);
  }
  const std::string entry = FindEntry(entries, BaseName(given), upper);
  if (!s.ok() || entry.empty()) {
    return Status::Error(DBIERR_NOSUCHINDEX, "index file '" + BaseName(given) + "' not found",
                         dir, given);
  }
  f.path = JoinPath(dir, entry);
  if (!Listed(*out, f.path)) out->files.push_back(f);
  return Status::OK();
}

}  // namespace

std::vector<std::string> TableIndexes::paths() const {
  std::vector<std::string> out;
  for (const TableIndexFile& f : files) out.push_back(f.path);
  return out;
}

const TableIndexFile* TableIndexes::production() const {
  for (const TableIndexFile& f : files) {
    if (f.production) return &f;
  }
  return nullptr;
}

bool IndexFormatOfPath(const std::string& path, IndexFormat* format, bool* stand_alone_idx) {
  const std::string base = BaseName(path);
  const std::size_t dot = base.rfind('.');
  const std::string ext = dot == std::string::npos ? "" : AsciiLower(base.substr(dot + 1));
  *stand_alone_idx = ext == "idx";
  if (ext == "ndx") *format = IndexFormat::kNdx;
  else if (ext == "mdx") *format = IndexFormat::kMdx;
  else if (ext == "cdx" || ext == "idx") *format = IndexFormat::kCdx;
  else return false;
  return true;
}

Status FindTableIndexes(Env* env, const std::string& data_path,
                        const std::vector<std::string>& dir_entries, const DbfHeader& header,
                        const std::vector<std::string>& named, TableIndexes* out) {
  *out = TableIndexes();
  const std::string dir = DirName(data_path);
  const std::string base = BaseName(data_path);
  const std::string stem = TableStem(data_path);
  const bool upper = base.size() > stem.size() && !HasLower(base.substr(stem.size()));

  if (header.production_index()) {
    const char* own = header.foxpro ? "cdx" : "mdx";
    const char* other = header.foxpro ? "mdx" : "cdx";
    std::string entry = FindEntry(dir_entries, stem + "." + own, upper);
    if (entry.empty() && header.version == 0x03) {
      entry = FindEntry(dir_entries, stem + "." + other, upper);
    }
    if (entry.empty()) {
      std::string ext = own;
      if (upper) {
        for (char& c : ext) c = static_cast<char>(c - 'a' + 'A');
      }
      out->missing.push_back(JoinPath(dir, stem + "." + ext));
    } else {
      TableIndexFile f;
      f.path = JoinPath(dir, entry);
      f.production = true;
      (void)IndexFormatOfPath(entry, &f.format, &f.stand_alone_idx);
      out->files.push_back(f);
    }
  }

  const std::string inf = FindEntry(dir_entries, stem + ".inf", upper);
  if (!inf.empty()) {
    std::vector<std::string> names;
    Status s = ReadInfNames(env, JoinPath(dir, inf), &names);
    if (!s.ok()) return s;
    for (const std::string& name : names) {
      TableIndexFile f;
      if (!IndexFormatOfPath(name, &f.format, &f.stand_alone_idx) ||
          f.format == IndexFormat::kMdx) {
        continue;  // only single-index files are attached this way
      }
      const std::string entry = FindEntry(dir_entries, name, upper);
      f.path = JoinPath(dir, entry.empty() ? name : entry);
      if (Listed(*out, f.path)) continue;
      if (entry.empty()) out->missing.push_back(f.path);
      else out->files.push_back(f);
    }
  }

  for (const std::string& name : named) {
    Status s = AddNamed(env, dir, dir_entries, name, upper, out);
    if (!s.ok()) return s;
  }
  return Status::OK();
}

Status CheckNoIndexMissing(const TableIndexes& indexes, const std::string& table_path,
                           const std::string& what) {
  if (indexes.missing.empty()) return Status::OK();
  const std::string& file = indexes.missing.front();
  return Status::Error(DBIERR_NOSUCHINDEX,
                       "index file '" + BaseName(file) + "' of '" + BaseName(table_path) +
                           "' not found; " + what + " refused",
                       table_path, file);
}

Status CheckIndexFilesReplaceable(Env* env, const TableIndexes& indexes,
                                  const std::string& table_path) {
  for (const TableIndexFile& f : indexes.files) {
    std::string real;
    Status s = env->RealPath(f.path, &real);
    if (!s.ok()) return s;
    if (real != f.path) {
      return Status::Error(DBIERR_NOTSUPPORTED,
                           "index '" + BaseName(f.path) + "' is a symbolic link; rewriting it "
                           "would replace the link",
                           table_path, f.path);
    }
    FileStat st;
    if (!(s = env->StatPath(f.path, &st)).ok()) return s;
    if (st.nlink > 1) {
      return Status::Error(DBIERR_HARDLINK,
                           "'" + BaseName(f.path) + "' has other hard links; rewriting it would "
                           "break them",
                           table_path, f.path);
    }
  }
  return Status::OK();
}

}  // namespace kx::storage
