// TkxSorvelU: the component through which an application maintains one
// table.
//
// Set DataSet to a TTable and call an operation; it returns the engine's
// result code, 0 for success. Operations act only when DataSet is a TTable
// by its own class name (IsTable); anything else, or no data set at all,
// gives 0 with no window and no engine call. Each run-based operation creates
// a TkxProgress window for the one call, shows it when VisiMode is set, runs
// it and frees it on every way out, errors included. With ShowResult,
// QuickPack, GenIndexs and the pickers hand their result to Chk after the
// window is gone. The component asks to be told when its data set is
// destroyed and then forgets it, so DataSet never dangles. Operations call
// each other through the virtual slots (Chk, AlterTblProp), so a descendant
// that replaces one changes the others' behaviour.
#pragma once

#include <functional>

#include "engine/dbi_types.h"
#include "platform/component.h"
#include "platform/db_tables.h"

namespace kx {

class TkxProgress;

class TkxSorvelU : public TComponent {
 public:
  explicit TkxSorvelU(TComponent* AOwner);
  ~TkxSorvelU() override;
  const char* ClassName() const override { return "TkxSorvelU"; }

  // Validates PropName ("LEVEL", "BLOCK SIZE", "LANGDRIVER", any case) and
  // Value, then restructures the table without packing. 0 also for a refused
  // request (FPropKnown, FValueValid tell). A level or block size that is not
  // a number raises EConvertError; a LANGDRIVER with an empty value raises
  // ERangeError with the table untouched. Never calls Chk.
  virtual DBIResult AlterTblProp(const char* Value, const char* PropName);
  virtual DBIResult QuickPack();
  virtual DBIResult GenIndexs();
  virtual DBIResult AlterLangDrv();
  virtual DBIResult AlterBlockSze();
  virtual DBIResult AlterTblLevel();
  // Shows the engine's text for a non-zero code in a message box; returns
  // the code (or DbiInit's result for DBIERR_NOTINITIALIZED).
  virtual DBIResult Chk(DBIResult Code);

  TBDEDataSet* FDataSet = nullptr;
  AnsiString FAbout;
  AnsiString FNewValue;
  bool FVisiMode = false;
  bool FShowResult = false;
  bool FValueValid = false;
  bool FPropKnown = false;
  bool FWasActive = false;
  bool FUnchanged = false;

  TProp<TBDEDataSet*> DataSet;
  TProp<AnsiString> About{this, "About", FAbout, ""};
  TProp<bool> VisiMode{this, "VisiMode", FVisiMode, false};
  TProp<bool> ShowResult{this, "ShowResult", FShowResult, false};

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // The shared protocol of the run-based operations (steps 3 to 6): a window
  // for this call, shown with `prepare` done in visible mode, `run`, the
  // closing delay in visible mode, and the window freed on every path.
  DBIResult RunInWindow(const std::function<void(TkxProgress&)>& prepare,
                        const std::function<DBIResult(TkxProgress&)>& run, std::uint32_t closing_delay_ms);
};

}  // namespace kx
