// TkxSorvelU::AlterTblProp: check a table property change, then apply it.
#include <initializer_list>

#include "component/kx_sorvel.h"
#include "engine/result_codes.h"
#include "platform/application.h"
#include "platform/windows_api.h"
#include "progress/tkx_progress.h"

namespace kx {
namespace {

bool OneOf(int n, std::initializer_list<int> accepted) {
  for (int a : accepted) {
    if (n == a) return true;
  }
  return false;
}

}  // namespace

DBIResult TkxSorvelU::AlterTblProp(const char* Value, const char* PropName) {
  FValueValid = false;
  FPropKnown = false;
  if (!IsTable(FDataSet)) return 0;
  if (!Value || !PropName) return DBIERR_INVALIDPARAM;

  const AnsiString value = Value;
  const AnsiString name = PropName;
  if (SameText(name, "LEVEL")) {
    FPropKnown = true;
    FValueValid = OneOf(StrToInt(value), {3, 4, 5, 7, 25});
  } else if (SameText(name, "BLOCK SIZE")) {
    FPropKnown = true;
    FValueValid = OneOf(StrToInt(value), {1024, 2048, 4096, 8192, 16384});
  } else if (SameText(name, "LANGDRIVER")) {
    FPropKnown = true;
    FValueValid = true;
  }
  if (!FValueValid || !FPropKnown) return 0;

  return RunInWindow(
      [](TkxProgress&) {
        Application->ProcessMessages();
        Sleep(300);
      },
      [&](TkxProgress& w) { return w.RunRestructure(value, name, false); }, 100);
}

}  // namespace kx
