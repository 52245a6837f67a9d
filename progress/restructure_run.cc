// TkxProgress::RunRestructure: pack a table and/or change one table property.
//
// The road depends on the driver type: a dBASE table gets an optional
// restructure for the property and then the engine's pack; every other type
// gets one restructure that also packs when asked. The table is in exclusive
// use for the whole run and put back by ExclusiveUse on every way out. The
// arguments are checked before the table is touched: a property name with an
// empty value raises ERangeError (the value's first character is what the
// engine gets) and a name longer than the descriptor holds returns
// DBIERR_NAMETOOLONG.
#include <string>

#include "engine/dbi.h"
#include "engine/engine.h"
#include "platform/application.h"
#include "platform/windows_api.h"
#include "progress/exclusive_use.h"
#include "progress/progress_registrations.h"
#include "progress/tkx_progress.h"

namespace kx {
namespace {

constexpr const char* kNoProperty = "0";

void Pump() { Application->ProcessMessages(); }

// Closes an engine cursor that the run opened, if the run has not.
class CheckCursor {
 public:
  ~CheckCursor() { Close(); }
  hDBICur* place() { return &cursor_; }
  void Close() {
    if (cursor_) DbiCloseCursor(&cursor_);
    cursor_ = nullptr;
  }

 private:
  hDBICur cursor_ = nullptr;
};

}  // namespace

DBIResult TkxProgress::RunRestructure(AnsiString Value, AnsiString PropName, bool Pack) {
  ExclusiveUse use(FDataSet);
  if (!use.Begin()) return 0;

  const bool named = PropName != kNoProperty;
  if (named && Value.empty())
    throw ERangeError("Range check error: no value given for table property '" + PropName + "'");
  if (named && PropName.size() > static_cast<std::size_t>(DBIMAXNAMELEN)) {
    return SetLastError(DBIERR_NAMETOOLONG, ("Property name: " + PropName.substr(0, 64)).c_str(),
                        ("At most " + std::to_string(DBIMAXNAMELEN) + " characters").c_str());
  }

  if (!use.SwitchAndOpen()) return DBIERR_FILEBUSY;

  hDBICur table_cursor = FDataSet->Handle();
  hDBIDb database = FDataSet->DBHandle();
  CURProps props{};
  DBIResult result = DbiGetCursorProps(table_cursor, &props);
  if (result != 0) {
    use.Leave();
    return result;
  }

  CRTblDesc desc{};
  FLDDesc option{};
  CopyName(desc.szTblName, props.szName);
  CopyName(desc.szTblType, props.szTableType);
  if (Pack) desc.bPack = 1;
  if (named) {
    CopyName(option.szName, PropName.c_str());
    option.iOffset = 0;
    option.iLen = 4;
    desc.iOptParams = 1;
    desc.pfldOptParams = &option;
    desc.pOptData = Value.c_str();  // Value lives, unchanged, until the run returns
  }

  FDataSet->Close();

  CheckCursor check;
  result = DbiOpenTable(database, desc.szTblName, nullptr, nullptr, nullptr, 0, dbiREADWRITE, dbiOPENEXCL,
                        xltFIELD, 0, nullptr, check.place());
  if (result != 0) {
    use.Leave();
    return result;
  }

  ProgressRegistrations registrations(*this);
  if (SameText(props.szTableType, "DBASE")) {
    check.Close();
    FRestructuring = false;
    if (named) {
      Label1->Caption = "Applying Changes ... ";
      Pump();
      result = DbiDoRestructure(database, 1, &desc, nullptr, nullptr, nullptr, 0);
    }
    if (result == 0) {
      if (named) Label1->Caption = "Complete ... ";
      Pump();
      if (Pack) {
        Label1->Caption = "Packing ... ";
        Pump();
        result = DbiPackTable(database, nullptr, desc.szTblName, "DBASE", 1);
        Label1->Caption = result == 0 ? "Packing Complete ... " : "Packing Failed ... ";
      }
    } else if (result == DBIERR_INVALIDLANGDRV) {
      Label1->Caption = "InValid Language Driver ... ";
    }
    Pump();
  } else {
    check.Close();
    Pump();
    FRestructuring = true;
    Label1->Caption = Pack ? "Packing ... " : "Applying Changes ... ";
    prgBar->Position = 0;
    prgBar->Max = 100;
    Pump();
    result = DbiDoRestructure(database, 1, &desc, nullptr, nullptr, nullptr, 0);
    if (result == 0) {
      Label1->Caption = "Complete ... ";
      Pump();
    }
    Pump();
    Sleep(20);
  }
  registrations.End();

  use.Leave();
  return result;
}

}  // namespace kx
