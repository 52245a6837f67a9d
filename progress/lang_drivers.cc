// TkxProgress::LoadLangDrivers: the engine's language driver names, in the
// engine's order.
#include <cstring>

#include "engine/dbi.h"
#include "platform/db_errors.h"
#include "progress/tkx_progress.h"

namespace kx {

void TkxProgress::LoadLangDrivers(TStrings* List) {
  List->Clear();
  try {
    hDBICur cursor = nullptr;
    if (DbiOpenLdList(&cursor) != 0) return;
    LDDesc driver{};
    while (DbiGetNextRecord(cursor, dbiNOLOCK, &driver, nullptr) == 0)
      List->Add(std::string(driver.szName, strnlen(driver.szName, sizeof driver.szName)));
    Check(DbiCloseCursor(&cursor));
  } catch (const EDBEngineError&) {
    // The names read so far stay; the picker shows what there is.
  }
}

}  // namespace kx
