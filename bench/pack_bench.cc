// pack_bench: times a pack against the floor of copying the same files.
//
//   pack_bench TABLE.dbf [--runs N]
//
// Each run copies the table's files (data and memo) to a work folder and
// syncs them (untimed), then times Pack on the copy. The floor is a plain
// copy of the same files through a 1 MiB buffer followed by fsync of each
// copy: a pack reads and writes about as much and must flush too. Prints
// the median seconds of each and their ratio.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "storage/api/table_api.h"

namespace {

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool CopyAndSync(const std::string& from, const std::string& to) {
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (in < 0 || out < 0) return false;
  std::vector<char> buf(1 << 20);
  bool ok = true;
  for (;;) {
    ssize_t n = read(in, buf.data(), buf.size());
    if (n < 0) ok = false;
    if (n <= 0) break;
    if (write(out, buf.data(), static_cast<size_t>(n)) != n) ok = false;
  }
  ok = ok && fsync(out) == 0;
  close(in);
  ok = close(out) == 0 && ok;
  return ok;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The memo file beside a table made by gentable (same case as the .dbf).
std::string Sibling(const std::string& path, const char* ext) {
  std::string candidate = path.substr(0, path.size() - 4) + ext;
  struct stat st;
  return stat(candidate.c_str(), &st) == 0 ? candidate : "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: pack_bench TABLE.dbf [--runs N]\n");
    return 2;
  }
  std::string table = argv[1];
  int runs = 3;
  if (argc == 4 && std::string(argv[2]) == "--runs") runs = std::max(1, std::atoi(argv[3]));
  std::string memo = Sibling(table, ".dbt");
  std::string work = table.substr(0, table.find_last_of('/') + 1) + "work";
  mkdir(work.c_str(), 0755);
  const std::string work_table = work + "/BENCH.dbf", work_memo = work + "/BENCH.dbt";

  struct stat st;
  std::uint64_t bytes = stat(table.c_str(), &st) == 0 ? st.st_size : 0;
  if (!memo.empty() && stat(memo.c_str(), &st) == 0) bytes += st.st_size;

  std::vector<double> pack_s, copy_s;
  kx::storage::PackStats stats;
  for (int r = 0; r < runs; ++r) {
    unlink(work_table.c_str());
    unlink(work_memo.c_str());
    if (!CopyAndSync(table, work_table) || (!memo.empty() && !CopyAndSync(memo, work_memo))) {
      std::fprintf(stderr, "pack_bench: cannot copy the table\n");
      return 1;
    }
    double t0 = Now();
    kx::storage::Status s = kx::storage::Pack(nullptr, work_table, nullptr, &stats);
    pack_s.push_back(Now() - t0);
    if (!s.ok()) {
      std::fprintf(stderr, "pack_bench: pack failed: %s (0x%04X)\n", s.message().c_str(), s.code());
      return 1;
    }
    unlink(work_table.c_str());
    unlink(work_memo.c_str());
    t0 = Now();
    bool ok = CopyAndSync(table, work_table) && (memo.empty() || CopyAndSync(memo, work_memo));
    copy_s.push_back(Now() - t0);
    if (!ok) return 1;
  }
  unlink(work_table.c_str());
  unlink(work_memo.c_str());
  rmdir(work.c_str());
  double pack = Median(pack_s), copy = Median(copy_s);
  std::printf("pack-bench table=%s records=%u kept=%u bytes=%llu memo=%s runs=%d\n",
              table.c_str(), stats.records_before, stats.records_after,
              static_cast<unsigned long long>(bytes), memo.empty() ? "no" : "yes", runs);
  std::printf("  pack          median %.3f s\n", pack);
  std::printf("  copy+fsync    median %.3f s (floor)\n", copy);
  std::printf("  ratio         %.2f\n", copy > 0 ? pack / copy : 0.0);
  return 0;
}
