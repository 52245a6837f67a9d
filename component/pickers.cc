// The interactive pickers AlterLangDrv, AlterTblLevel and AlterBlockSze.
//
// Each reads the table's current properties, shows the window modally with a
// prompt and a list of values (whatever VisiMode says), frees it, and hands
// a chosen value that differs from the current one to AlterTblProp (through
// its virtual slot). Two ways out apply nothing at all: the engine cannot
// report the table's properties (its code is the result), and the display is
// ended by anything but a choice (ShowModal other than mrOk). Earlier values
// of FNewValue, which may belong to another property, are never applied.
#include <cstring>
#include <memory>

#include "component/kx_sorvel.h"
#include "engine/dbi.h"
#include "platform/application.h"
#include "platform/windows_api.h"
#include "progress/tkx_progress.h"

namespace kx {
namespace {

enum class Picker { kLangDriver, kLevel, kBlockSize };

const char* PropertyName(Picker p) {
  switch (p) {
    case Picker::kLangDriver: return "LANGDRIVER";
    case Picker::kLevel: return "LEVEL";
    case Picker::kBlockSize: return "BLOCK SIZE";
  }
  return "";
}

template <std::size_t N>
AnsiString FieldText(const char (&field)[N]) {
  return AnsiString(field, strnlen(field, N));
}

using AlterFn = std::function<DBIResult(const char* value, const char* name)>;

// One algorithm for the three members; `picker` selects the member's rows.
DBIResult RunPicker(TkxSorvelU& kx, Picker picker, const AlterFn& alter) {
  kx.FWasActive = false;
  kx.FUnchanged = false;
  DBIResult result = 0;
  if (!IsTable(kx.FDataSet)) return 0;

  kx.FWasActive = kx.FDataSet->FActive;
  if (!kx.FWasActive) kx.FDataSet->Open();
  CURProps props{};
  result = DbiGetCursorProps(kx.FDataSet->Handle(), &props);
  if (result != 0) return result;
  if (picker == Picker::kBlockSize && SameText(FieldText(props.szTableType), "DBASE")) return DBIERR_NOTSUPPORTED;

  bool chosen = false;
  {
    std::unique_ptr<TkxProgress> window(new TkxProgress(nullptr));
    window->FDataSet = kx.FDataSet;
    Sleep(100);
    AnsiString current;
    TStrings* items = window->cmbLang->Items;
    switch (picker) {
      case Picker::kLangDriver:
        window->Label3->Align = alTop;
        window->Label3->Alignment = taCenter;
        window->Label3->Caption = "Select A new Language Driver ...";
        window->LoadLangDrivers(items);
        current = FieldText(props.szLangDriver);
        break;
      case Picker::kLevel:
        window->Label3->Caption = "Select Table Level for : " + FieldText(props.szName);
        items->SetCommaText("3,4,5,7,25");
        current = IntToStr(props.iTblLevel);
        break;
      case Picker::kBlockSize:
        window->Label3->Caption = "Select Block Size for : " + FieldText(props.szName);
        items->SetCommaText("1024,2048,4096,8192,16384");
        current = IntToStr(static_cast<long long>(props.iBlockSize) * 1024);
        if (static_cast<long long>(props.iBlockSize) * 1024 > 16384) items->Add(current);
        break;
    }
    window->cmbLang->ItemIndex = items->IndexOf(current);
    window->cmbLang->Visible = true;
    if (window->ShowModal() == mrOk) {
      kx.FNewValue = window->cmbLang->FText;
      chosen = true;
    }
    auto compare = [&] {
      if (chosen && AnsiCompareStr(kx.FNewValue, current) == 0) kx.FUnchanged = true;
    };
    switch (picker) {
      case Picker::kLangDriver:
        Application->ProcessMessages();
        compare();
        break;
      case Picker::kLevel:
        Application->ProcessMessages();
        compare();
        Sleep(1000);
        break;
      case Picker::kBlockSize:
        compare();
        Sleep(1000);
        Application->ProcessMessages();
        break;
    }
  }
  if (chosen && !kx.FUnchanged) result = alter(kx.FNewValue.c_str(), PropertyName(picker));
  return result;
}

}  // namespace

DBIResult TkxSorvelU::AlterLangDrv() {
  DBIResult result = RunPicker(*this, Picker::kLangDriver, [this](auto v, auto p) { return AlterTblProp(v, p); });
  if (FShowResult) Chk(result);
  return result;
}

DBIResult TkxSorvelU::AlterBlockSze() {
  DBIResult result = RunPicker(*this, Picker::kBlockSize, [this](auto v, auto p) { return AlterTblProp(v, p); });
  if (FShowResult) Chk(result);
  return result;
}

DBIResult TkxSorvelU::AlterTblLevel() {
  DBIResult result = RunPicker(*this, Picker::kLevel, [this](auto v, auto p) { return AlterTblProp(v, p); });
  if (FShowResult) Chk(result);
  return result;
}

}  // namespace kx
