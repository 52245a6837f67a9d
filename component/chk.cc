// TkxSorvelU::Chk: the engine's own description of a result code, in a
// message box.
//
// The report is "  ERROR " and the engine's message, then one line per
// non-empty context string (CR LF and four blanks first), when the engine's
// last-error record is about this code; else the engine's text for the code
// alone. It is composed in 635 characters and cut there. The record is
// cleared before the engine fills it, so details the engine did not write
// can never pass for this code's.
#include <cstring>
#include <string>

#include "component/kx_sorvel.h"
#include "engine/dbi.h"
#include "platform/windows_api.h"

namespace kx {
namespace {

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

}  // namespace

DBIResult TkxSorvelU::Chk(DBIResult Code) {
  char message[5 * DBIMAXMSGLEN] = {};
  DBIMSG engine_message = {};
  DBIErrInfo info{};
  if (Code == DBIERR_NOTINITIALIZED) Code = DbiInit(nullptr);
  if (Code == 0) return 0;
  DbiGetErrorInfo(1, &info);
  if (info.iError == Code) {
    wsprintfA(message, "  ERROR %s", FieldText(info.szErrCode));
    for (const auto* context : {&info.szContext1, &info.szContext2, &info.szContext3, &info.szContext4}) {
      std::string text = FieldText(*context);
      if (text.empty()) continue;
      std::string so_far = message;
      wsprintfA(message, "%s\r\n    %s", so_far, text);
    }
  } else {
    DbiGetErrorString(Code, engine_message);
    wsprintfA(message, "  ERROR %s", FieldText(engine_message));
  }
  MessageBoxA(nullptr, message, "BDE Error", MB_OK);
  return Code;
}

}  // namespace kx
