// Storage test fixtures: see table_fixture.h.
#include "tests/storage/support/table_fixture.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>

#include "storage/api/table_writer.h"
#include "storage/dbase/dbf_table.h"

namespace kx::storage::testing {
namespace {

std::uint64_t Mix(std::uint64_t h, const void* data, std::size_t n) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < n; ++i) {
    h ^= p[i];
    h *= 0x100000001b3ull;
  }
  return h;
}

void RemoveTree(const std::string& path) {
  DIR* d = opendir(path.c_str());
  if (d != nullptr) {
    while (struct dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n == "." || n == "..") continue;
      std::string p = path + "/" + n;
      struct stat st;
      if (lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        RemoveTree(p);
      } else {
        unlink(p.c_str());
      }
    }
    closedir(d);
  }
  rmdir(path.c_str());
}

}  // namespace

ScratchDir::ScratchDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string tmpl = std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/kxstorage.XXXXXX";
  if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

Status MakeTable(const std::string& path, const GenOptions& layout) {
  TableLayout t;
  t.level = layout.level;
  t.memo_block_size = layout.block_size;
  t.lang_driver = layout.lang;
  t.fields = {{"NAME", 'C', 24, 0}, {"QTY", 'N', 8, 0}, {"PRICE", 'N', 10, 2},
              {"SINCE", 'D', 8, 0}, {"ACTIVE", 'L', 1, 0}};
  if (layout.level != 3) t.fields.push_back({"RATIO", 'F', 12, 4});
  if (layout.memo) t.fields.push_back({"NOTES", 'M', 10, 0});
  std::unique_ptr<TableWriter> w;
  Status s = CreateTable(nullptr, path, t, &w);
  if (!s.ok()) return s;
  std::mt19937 rng(layout.seed);
  for (std::uint32_t i = 0; i < layout.records; ++i) {
    std::vector<std::string> v;
    v.push_back("Name " + std::to_string(i) + "-" + std::to_string(rng() % 1000) +
                layout.extra_text);
    v.push_back(std::to_string(rng() % 100000));
    char price[32];
    std::snprintf(price, sizeof price, "%.2f", (rng() % 1000000) / 100.0);
    v.push_back(price);
    char date[16];
    std::snprintf(date, sizeof date, "%04u%02u%02u", unsigned(1990 + rng() % 35), unsigned(1 + rng() % 12),
                  unsigned(1 + rng() % 28));
    v.push_back(date);
    v.push_back(rng() % 2 ? "T" : "F");
    if (layout.level != 3) {
      char ratio[32];
      std::snprintf(ratio, sizeof ratio, "%.4f", (rng() % 100000) / 1000.0);
      v.push_back(ratio);
    }
    if (layout.memo) {
      std::uint32_t len = rng() % 4 == 0 ? 0 : rng() % (layout.max_memo + 1);
      std::string memo;
      for (std::uint32_t k = 0; k < len; ++k) {
        if (!layout.extra_text.empty() && k % 97 == 0) memo += layout.extra_text;
        memo.push_back(static_cast<char>('a' + (i + k) % 26));
      }
      v.push_back(memo);
    }
    bool deleted = static_cast<int>(rng() % 100) < layout.deleted_pct;
    s = w->Append(v, deleted);
    if (!s.ok()) return s;
  }
  return w->Finish();
}

Status ReadImage(Env* env, const std::string& path, TableImage* out) {
  *out = TableImage();
  std::unique_ptr<DbfTable> t;
  Status s = DbfTable::Open(env == nullptr ? Env::Default() : env, path, ShareMode::kShared, &t);
  if (!s.ok()) return s;
  const DbfHeader& h = t->header();
  out->version = h.version;
  std::uint64_t sig = 0xcbf29ce484222325ull, live = 0xcbf29ce484222325ull;
  std::string memo;
  s = t->ForEachRecord([&](std::uint32_t, const std::uint8_t* rec) -> Status {
    bool is_live = rec[0] != DbfHeader::kDeleted;
    ++out->records;
    if (is_live) ++out->live;
    sig = Mix(sig, rec, 1);
    for (const DbfField& f : h.fields) {
      if (f.is_memo) {
        bool present = false;
        Status r = t->ReadMemoField(rec, f, &present, &memo);
        if (!r.ok()) return r;
        char tag = present ? 'P' : '-';
        sig = Mix(Mix(sig, &tag, 1), memo.data(), memo.size());
        if (is_live) live = Mix(Mix(live, &tag, 1), memo.data(), memo.size());
      } else {
        sig = Mix(sig, rec + f.offset, f.length);
        if (is_live) live = Mix(live, rec + f.offset, f.length);
      }
    }
    return Status::OK();
  });
  out->signature = sig;
  out->live_hash = live;
  return s;
}

std::string SourcePath(const std::string& relative) {
  return std::string(KX_SOURCE_DIR) + "/" + relative;
}

void CopyFile(const std::string& from, const std::string& to) { WriteBytes(to, ReadBytes(from)); }

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::uint64_t InodeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

std::vector<std::string> Leftovers(const std::string& dir) {
  std::vector<std::string> out;
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return out;
  while (struct dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n.find(".~pk") != std::string::npos) out.push_back(n);
  }
  closedir(d);
  return out;
}

DirSnapshot Snapshot(const std::string& dir) {
  DirSnapshot out;
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return out;
  while (struct dirent* e = readdir(d)) {
    std::string n = e->d_name;
    struct stat st;
    if (lstat((dir + "/" + n).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      out.emplace_back(n, ReadBytes(dir + "/" + n));
    }
  }
  closedir(d);
  return out;
}

void Restore(const std::string& dir, const DirSnapshot& snap) {
  for (const auto& entry : Snapshot(dir)) unlink((dir + "/" + entry.first).c_str());
  for (const auto& [name, bytes] : snap) WriteBytes(dir + "/" + name, bytes);
}

FolderState Capture(const std::string& dir) {
  FolderState state;
  state.files = Snapshot(dir);
  for (const auto& entry : state.files) {
    state.inodes.emplace_back(entry.first, InodeOf(dir + "/" + entry.first));
  }
  return state;
}

bool Unchanged(const std::string& dir, const FolderState& before, std::string* why) {
  FolderState now = Capture(dir);
  if (now.files.size() != before.files.size()) {
    *why = "files appeared or disappeared";
    return false;
  }
  for (const auto& [name, bytes] : before.files) {
    bool found = false;
    for (const auto& [now_name, now_bytes] : now.files) {
      if (now_name != name) continue;
      found = true;
      if (now_bytes != bytes) {
        *why = name + " changed";
        return false;
      }
    }
    if (!found) {
      *why = name + " is gone";
      return false;
    }
  }
  for (const auto& [name, inode] : before.inodes) {
    if (InodeOf(dir + "/" + name) != inode) {
      *why = name + " was replaced";
      return false;
    }
  }
  return true;
}

int OpenFdCount() {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  if (d == nullptr) return -1;
  while (readdir(d) != nullptr) ++n;
  closedir(d);
  return n;
}

}  // namespace kx::storage::testing
