// TkxAboutProperty and the About box.
#include "design/about_property.h"

#include <memory>

#include "progress/tkx_progress.h"

namespace kx {

const char* const kAboutProductLine = "kxSorvel - table maintenance by the kxSorvel developers";
const char* const kAboutLegalLine = "(c) the kxSorvel developers - provided as is, no warranty";
const char* const kAboutVersionLine = "          Version     " KX_VERSION;

TkxAboutProperty::TkxAboutProperty(IDesigner* ADesigner, int APropCount) : TPropertyEditor(ADesigner, APropCount) {}

TkxAboutProperty::~TkxAboutProperty() = default;

void TkxAboutProperty::Edit() { ShowAboutBox(); }

TPropertyAttributes TkxAboutProperty::GetAttributes() { return {paDialog}; }

AnsiString TkxAboutProperty::GetValue() { return Format("(%s)", {"About"}); }

TModalResult ShowAboutBox() {
  std::unique_ptr<TkxProgress> box(new TkxProgress(nullptr));
  box->Label3->Align = alTop;
  box->Label3->Alignment = taCenter;
  box->Label3->Caption = kAboutProductLine;
  box->Label2->Align = alBottom;
  box->Label2->Alignment = taCenter;
  box->Label2->Caption = kAboutLegalLine;
  box->Label4->Caption = kAboutVersionLine;
  box->Label4->Visible = true;
  box->Timer2->Enabled = true;
  return box->ShowModal();
}

}  // namespace kx
