#include "cli/report.h"

#include <cstdio>
#include <cstring>

#include "engine/dbi.h"

namespace kx::cli {

int ReportFailure(const std::string& table, unsigned code, bool with_context) {
  char text[DBIMAXMSGLEN + 1];
  DbiGetErrorString(static_cast<DBIResult>(code), text);
  std::fprintf(stderr, "kxsorvel: %s: %s (error %u, 0x%04X)\n", table.c_str(), text, code, code);
  DBIErrInfo info;
  if (with_context && DbiGetErrorInfo(1, &info) == 0 && info.iError == code) {
    for (const char* c : {info.szContext1, info.szContext2, info.szContext3, info.szContext4})
      if (*c && table.find(c) == std::string::npos) std::fprintf(stderr, "  %s\n", c);
  }
  return 1;
}

}  // namespace kx::cli
