// kxrestructure: changes one property of a dBASE/FoxPro table, or packs it,
// through the storage engine's Restructure; for tests and the demo.
//
//   kxrestructure TABLE PROPERTY VALUE [--pack]   e.g. T.dbf LEVEL 7
//   kxrestructure TABLE --pack
//
// On success prints one line: records before/after, level, driver and memo
// block size before and after. On failure prints "kxrestructure: 0xCODE
// MESSAGE [| CONTEXT ...]" on stderr and exits 1; exit 2 on a usage error.
#include <cstdio>
#include <cstring>
#include <string>

#include "storage/api/table_api.h"

int main(int argc, char** argv) {
  kx::storage::RestructureRequest request;
  std::string path;
  int plain = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--pack") == 0) {
      request.pack = true;
    } else if (plain == 0) {
      path = argv[i], ++plain;
    } else if (plain == 1) {
      request.property = argv[i], ++plain;
    } else if (plain == 2) {
      request.value = argv[i], ++plain;
    } else {
      plain = -1;
    }
  }
  if (path.empty() || plain == 2 || plain < 0 || (plain == 1 && !request.pack)) {
    std::fprintf(stderr, "usage: kxrestructure TABLE PROPERTY VALUE [--pack] | TABLE --pack\n");
    return 2;
  }
  kx::storage::RestructureStats st;
  kx::storage::Status s = kx::storage::Restructure(nullptr, path, request, nullptr, &st);
  if (!s.ok()) {
    std::string text = s.message();
    for (int i = 0; i < 4; ++i) {
      if (!s.context(i).empty()) text += " | " + s.context(i);
    }
    std::fprintf(stderr, "kxrestructure: 0x%04X %s\n", s.code(), text.c_str());
    return 1;
  }
  std::printf("records %u -> %u, level %d -> %d, driver %s -> %s, block size %u -> %u\n",
              st.records_before, st.records_after, st.level_before, st.level_after,
              st.lang_before.empty() ? "-" : st.lang_before.c_str(),
              st.lang_after.empty() ? "-" : st.lang_after.c_str(), st.block_size_before,
              st.block_size_after);
  return 0;
}
