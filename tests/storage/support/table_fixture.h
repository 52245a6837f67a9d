// Test fixtures for storage: scratch folders, generated tables, copies of
// sample tables, and the oracle's view of a table (a signature over every
// record with memo contents resolved, and a hash of the live records only).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/api/status.h"
#include "storage/io/env.h"

namespace kx::storage::testing {

// A fresh folder under $TMPDIR, removed with its contents on destruction.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

struct GenOptions {
  int level = 4;
  std::uint32_t records = 100;
  int deleted_pct = 30;
  bool memo = true;
  std::uint32_t seed = 1;
  std::uint32_t block_size = 0;  // 0: the level's default
  std::uint32_t max_memo = 2000;
  std::string lang;        // driver name; empty: the writer's default
  std::string extra_text;  // raw bytes appended to every NAME and put into memos
};

// Writes a table with C, N, D, L (F at levels above 3) and, if asked, M
// fields; record i is deleted when the seeded draw says so.
Status MakeTable(const std::string& path, const GenOptions& layout);

struct TableImage {
  std::uint32_t records = 0;      // all, deleted included
  std::uint32_t live = 0;
  std::uint64_t signature = 0;    // every record, flags and memo contents
  std::uint64_t live_hash = 0;    // live records only, memo contents
  std::uint8_t version = 0;       // header byte 0: the level's form
};

// Opens the table shared (running recovery) and reads every record.
Status ReadImage(Env* env, const std::string& path, TableImage* out);

std::string SourcePath(const std::string& relative);  // under KX_SOURCE_DIR
void CopyFile(const std::string& from, const std::string& to);
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
std::uint64_t InodeOf(const std::string& path);
// Entries of dir that are temps or intents (contain ".~pk").
std::vector<std::string> Leftovers(const std::string& dir);
int OpenFdCount();

// Every regular file of a folder with its bytes; Restore puts the folder
// back exactly (removing files that appeared since).
using DirSnapshot = std::vector<std::pair<std::string, std::string>>;
DirSnapshot Snapshot(const std::string& dir);
void Restore(const std::string& dir, const DirSnapshot& snap);

// Bytes and inodes of every file of a folder: Unchanged says whether the
// folder still holds exactly those files, each the same inode with the same
// bytes (what a refused or failed rewrite must leave), and names the first
// difference in *why.
struct FolderState {
  DirSnapshot files;
  std::vector<std::pair<std::string, std::uint64_t>> inodes;
};
FolderState Capture(const std::string& dir);
bool Unchanged(const std::string& dir, const FolderState& before, std::string* why);

}  // namespace kx::storage::testing
