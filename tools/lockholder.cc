// lockholder: holds a table open, shared or exclusive, until its standard
// input closes. Tests use it to play "another user" from another process.
//
//   lockholder TABLE [--exclusive]     prints "held" once the table is open
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "storage/api/table_api.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: lockholder TABLE [--exclusive]\n");
    return 2;
  }
  bool exclusive = argc > 2 && std::strcmp(argv[2], "--exclusive") == 0;
  std::unique_ptr<kx::storage::OpenTable> table;
  kx::storage::Status s = kx::storage::Open(
      nullptr, argv[1], exclusive ? kx::storage::ShareMode::kExclusive
                                  : kx::storage::ShareMode::kShared,
      &table);
  if (!s.ok()) {
    std::fprintf(stderr, "lockholder: %s (0x%04X)\n", s.message().c_str(), s.code());
    return 1;
  }
  std::printf("held\n");
  std::fflush(stdout);
  while (std::fgetc(stdin) != EOF) {
  }
  return 0;
}
