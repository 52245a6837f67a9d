// TkxSorvelU: construction, the data set link, the operation protocol,
// QuickPack and GenIndexs.
#include "component/kx_sorvel.h"

#include <memory>

#include "platform/application.h"
#include "platform/windows_api.h"
#include "progress/tkx_progress.h"

namespace kx {

TkxSorvelU::TkxSorvelU(TComponent* AOwner)
    : TComponent(AOwner),
      DataSet(this, "DataSet", FDataSet, nullptr, [this](TBDEDataSet* const& data_set) {
        if (FDataSet) FDataSet->RemoveFreeNotification(this);
        FDataSet = data_set;
        if (FDataSet) FDataSet->FreeNotification(this);
      }) {
  FAbout.clear();
  FNewValue.clear();
  FVisiMode = false;
  FShowResult = false;
}

TkxSorvelU::~TkxSorvelU() = default;

void TkxSorvelU::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDataSet) FDataSet = nullptr;
}

DBIResult TkxSorvelU::RunInWindow(const std::function<void(TkxProgress&)>& prepare,
                                  const std::function<DBIResult(TkxProgress&)>& run,
                                  std::uint32_t closing_delay_ms) {
  std::unique_ptr<TkxProgress> window(new TkxProgress(nullptr));
  window->FDataSet = FDataSet;
  window->FVisiMode = FVisiMode;
  DBIResult result;
  if (FVisiMode) {
    window->Show();
    prepare(*window);
    result = run(*window);
    Sleep(closing_delay_ms);
  } else {
    result = run(*window);
  }
  window.reset();  // Free
  return result;
}

DBIResult TkxSorvelU::QuickPack() {
  DBIResult result = 0;
  if (IsTable(FDataSet)) {
    result = RunInWindow([](TkxProgress&) { Sleep(100); },
                         [](TkxProgress& w) { return w.RunRestructure("0", "0", true); }, 1000);
  }
  if (FShowResult) Chk(result);
  return result;
}

DBIResult TkxSorvelU::GenIndexs() {
  DBIResult result = 0;
  if (IsTable(FDataSet)) {
    result = RunInWindow(
        [](TkxProgress& w) {
          Application->ProcessMessages();
          Sleep(100);
          w.Label1->Caption = "Rebuilding Indecies ...";
        },
        [](TkxProgress& w) { return w.RunRegenIndexes(); }, 1000);
  }
  if (FShowResult) Chk(result);
  return result;
}

}  // namespace kx
