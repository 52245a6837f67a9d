// TkxProgress: the progress window, the value picker and the About box, and
// the home of the maintenance runs.
//
// Each use creates its own window with no owner and frees it afterwards. The
// components come from the form description TkxProgress.dfm, compiled in. The
// runs (RunRestructure, RunRegenIndexes) switch the table into exclusive use,
// do the engine work and put the table back; while the engine works, the two
// notification handlers write its progress into Label1, Label2 and prgBar
// and pump messages. The window has a dialog frame but no title bar
// (CreateParams clears WS_CAPTION). WM_STEPBAR (0x8064) steps the bar.
#pragma once

#include <cstdint>

#include "engine/dbi_types.h"
#include "platform/db_tables.h"
#include "platform/forms.h"
#include "platform/progress_bar.h"
#include "platform/std_ctrls.h"
#include "platform/timer.h"

namespace kx {

constexpr UINT WM_STEPBAR = WM_APP + 100;  // 0x8064

class TkxProgress : public TForm {
 public:
  void Dispatch(TMessage& Message) override;
  ~TkxProgress() override;
  explicit TkxProgress(TComponent* AOwner);
  const char* ClassName() const override { return "TkxProgress"; }

 protected:
  void CreateParams(TCreateParams& Params) override;

 public:
  // Restructure and/or pack the table (PropName "0": no property changes).
  virtual DBIResult RunRestructure(AnsiString Value, AnsiString PropName, bool Pack);
  // Regenerate every index of the table.
  virtual DBIResult RunRegenIndexes();
  // Replace the entries of List with the engine's language driver names.
  virtual void LoadLangDrivers(TStrings* List);
  // Step the bar when below its maximum, then pump messages.
  virtual void StepBar();
  // Step the bar when below its maximum (WM_STEPBAR).
  virtual void WMStepBar(TMessage& Message);

  // Engine notifications (registered by the runs).
  CBRType GenProgressCallback(void* CBInfo);
  CBRType RestructureCallback(void* CBInfo);

  // Published components, in the form's order.
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TLabel* Label3 = nullptr;
  TComboBox* cmbLang = nullptr;
  TTimer* Timer2 = nullptr;
  TLabel* Label4 = nullptr;
  TProgressBar* prgBar = nullptr;
  void cmbLangChange(TObject* Sender);
  void Timer2Timer(TObject* Sender);

  bool FRestructuring = false;
  std::int32_t FIndexNo = 1;
  TBDEDataSet* FDataSet = nullptr;
  bool FVisiMode = false;
};

// The unit's global window reference. Nothing assigns it: every use creates
// and frees its own window.
extern TkxProgress* kxProgress;

// The form description of TkxProgress (generated from TkxProgress.dfm).
extern const char* const kTkxProgressForm;

// The table test of the component and the runs: the data set's own class is
// TTable (not a descendant, not another data set). False for null.
bool IsTable(const TBDEDataSet* DataSet);

}  // namespace kx
