// bench_op: runs one operation of the benchmark in a process of its own and
// prints its wall time and the process's peak resident memory, so that
// bench/run.sh can take medians and ratios.
//
//   bench_op copy DIR FILE...          copy each FILE into DIR through a
//                                      1 MiB buffer, then fsync each copy
//                                      (the floor a rewrite is held to)
//   bench_op copywb DIR FILE...        the same, starting write-back of
//                                      every 4 MiB written as the engine's
//                                      output streams do (sync_file_range)
//   bench_op pack TABLE                Pack
//   bench_op set TABLE PROPERTY VALUE  Restructure (no pack), e.g. LEVEL 7
//   bench_op regen TABLE               RegenIndexes
//   bench_op addindex TABLE TAG EXPR   AddIndex to the production index
//   bench_op keys TABLE FIELD OUT      the field's text of every record, one
//                                      a line (what `sort` gets to sort)
//
// Prints "SECONDS MAXRSS_KIB" on stdout (peak memory from getrusage of this
// process, which includes the program's own few MiB). Exit 1 with a message
// when the operation fails, 2 on a usage error.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "storage/api/table_api.h"
#include "storage/api/table_writer.h"

namespace {

using kx::storage::Status;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string BaseName(const std::string& p) { return p.substr(p.find_last_of('/') + 1); }

Status Failure(const std::string& what) {
  return Status::Error(1, what + ": " + std::strerror(errno));
}

Status CopyAndSync(const std::string& from, const std::string& to, bool write_back) {
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Failure("open " + from);
  int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) {
    close(in);
    return Failure("create " + to);
  }
  std::vector<char> buf(1 << 20);
  Status s;
  off_t written = 0, started = 0;
  for (;;) {
    ssize_t n = read(in, buf.data(), buf.size());
    if (n < 0) s = Failure("read " + from);
    if (n <= 0) break;
    if (write(out, buf.data(), static_cast<size_t>(n)) != n) {
      s = Failure("write " + to);
      break;
    }
    written += n;
    if (write_back && written - started >= (4 << 20)) {
      sync_file_range(out, started, written - started, SYNC_FILE_RANGE_WRITE);
      started = written;
    }
  }
  if (s.ok() && fsync(out) != 0) s = Failure("fsync " + to);
  close(in);
  if (close(out) != 0 && s.ok()) s = Failure("close " + to);
  return s;
}

// Reads the table's records straight from the file (level 3 to 7 layout)
// and writes FIELD of each, deleted ones too, as a line of OUT.
Status WriteKeys(const std::string& table, const std::string& field, const std::string& out) {
  FILE* in = std::fopen(table.c_str(), "rb");
  if (in == nullptr) return Failure("open " + table);
  unsigned char h[32];
  std::vector<unsigned char> desc;
  Status s;
  if (std::fread(h, 1, 32, in) != 32) s = Status::Error(1, "short header");
  const std::uint32_t count = h[4] | h[5] << 8 | h[6] << 16 | static_cast<std::uint32_t>(h[7]) << 24;
  const std::size_t header_len = h[8] | h[9] << 8, rec_len = h[10] | h[11] << 8;
  const std::size_t desc_len = h[0] == 0x04 || h[0] == 0x8C ? 48 : 32;  // level 7 descriptors
  const std::size_t desc_start = h[0] == 0x04 || h[0] == 0x8C ? 68 : 32;
  std::size_t off = 1, len = 0;
  if (s.ok()) {
    desc.resize(header_len);
    std::memcpy(desc.data(), h, 32);
    if (std::fread(desc.data() + 32, 1, header_len - 32, in) != header_len - 32) {
      s = Status::Error(1, "short header");
    }
  }
  for (std::size_t p = desc_start; s.ok() && p + desc_len <= header_len && desc[p] != 0x0D;
       p += desc_len) {
    const std::size_t name_len = desc_len == 48 ? 32 : 11;
    std::string name(reinterpret_cast<const char*>(&desc[p]), strnlen(reinterpret_cast<const char*>(&desc[p]), name_len));
    const std::size_t flen = desc[p + (desc_len == 48 ? 33 : 16)];
    if (name == field) {
      len = flen;
      break;
    }
    off += flen;
  }
  if (s.ok() && len == 0) s = Status::Error(1, "no field " + field);
  FILE* o = s.ok() ? std::fopen(out.c_str(), "wb") : nullptr;
  if (s.ok() && o == nullptr) s = Failure("create " + out);
  std::vector<unsigned char> rec(rec_len);
  for (std::uint32_t r = 0; s.ok() && r < count; ++r) {
    if (std::fread(rec.data(), 1, rec_len, in) != rec_len) s = Status::Error(1, "short table");
    if (s.ok()) {
      std::fwrite(rec.data() + off, 1, len, o);
      std::fputc('\n', o);
    }
  }
  if (o != nullptr && std::fclose(o) != 0 && s.ok()) s = Failure("write " + out);
  std::fclose(in);
  return s;
}

int Usage() {
  std::fprintf(stderr,
               "usage: bench_op copy|copywb DIR FILE... | pack TABLE | set TABLE PROPERTY VALUE |\n"
               "                regen TABLE | addindex TABLE TAG EXPR | keys TABLE FIELD OUT\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string op = argv[1], target = argv[2];
  const double t0 = Now();
  Status s;
  if (op == "copy" || op == "copywb") {
    for (int i = 3; s.ok() && i < argc; ++i) {
      s = CopyAndSync(argv[i], target + "/" + BaseName(argv[i]), op == "copywb");
    }
  } else if (op == "pack" && argc == 3) {
    kx::storage::PackStats stats;
    s = kx::storage::Pack(nullptr, target, nullptr, &stats);
  } else if (op == "set" && argc == 5) {
    kx::storage::RestructureRequest request;
    request.property = argv[3];
    request.value = argv[4];
    s = kx::storage::Restructure(nullptr, target, request, nullptr, nullptr);
  } else if (op == "regen" && argc == 3) {
    s = kx::storage::RegenIndexes(nullptr, target, kx::storage::OpenOptions(), nullptr);
  } else if (op == "addindex" && argc == 5) {
    kx::storage::IndexSpec spec;
    spec.tag = argv[3];
    spec.key_expression = argv[4];
    s = kx::storage::AddIndex(nullptr, target, spec);
  } else if (op == "keys" && argc == 5) {
    s = WriteKeys(target, argv[3], argv[4]);
  } else {
    return Usage();
  }
  const double seconds = Now() - t0;
  if (!s.ok()) {
    std::fprintf(stderr, "bench_op %s: %s (0x%04X)\n", op.c_str(), s.message().c_str(), s.code());
    return 1;
  }
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  std::printf("%.4f %ld\n", seconds, ru.ru_maxrss);
  return 0;
}
