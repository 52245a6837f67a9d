#include "cli/report.h"

#include <cstdio>
#include <cstring>

#include "engine/dbi.h"

namespace kx::cli {
namespace {

void PrintLine(const std::string& table, unsigned code) {
  char text[DBIMAXMSGLEN + 1];
  DbiGetErrorString(static_cast<DBIResult>(code), text);
  std::fprintf(stderr, "kxsorvel: %s: %s (error %u, 0x%04X)\n", table.c_str(), text, code, code);
}

void PrintContexts(const std::string& table, const DBIErrInfo& info) {
  for (const char* c : {info.szContext1, info.szContext2, info.szContext3, info.szContext4})
    if (*c && table.find(c) == std::string::npos) std::fprintf(stderr, "  %s\n", c);
}

}  // namespace

int ReportFailure(const std::string& table, unsigned code, bool with_context) {
  DBIErrInfo info{};
  DbiGetErrorInfo(1, &info);
  // The component answers "busy" for any failure to open the table for
  // exclusive use; the engine's record still says what that failure was.
  if (code == DBIERR_FILEBUSY && info.iError != 0 && info.iError != code) {
    PrintLine(table, info.iError);
    PrintContexts(table, info);
    std::fprintf(stderr, "  so the table could not be opened for exclusive use (error %u, 0x%04X)\n",
                 code, code);
    return 1;
  }
  PrintLine(table, code);
  if (with_context && info.iError == code) PrintContexts(table, info);
  return 1;
}

}  // namespace kx::cli
