// TkxProgress: construction, window style, the bar and the event handlers.
// The runs and the notification handlers have files of their own.
#include "progress/tkx_progress.h"

#include "platform/application.h"

namespace kx {

TkxProgress* kxProgress = nullptr;

bool IsTable(const TBDEDataSet* DataSet) { return DataSet && DataSet->ClassNameIs("TTable"); }

TkxProgress::TkxProgress(TComponent* AOwner) : TForm(AOwner) {
  PublishField("Label1", Label1);
  PublishField("Label2", Label2);
  PublishField("Label3", Label3);
  PublishField("cmbLang", cmbLang);
  PublishField("Timer2", Timer2);
  PublishField("Label4", Label4);
  PublishField("prgBar", prgBar);
  PublishMethod("cmbLangChange", [this](TObject* sender) { cmbLangChange(sender); });
  PublishMethod("Timer2Timer", [this](TObject* sender) { Timer2Timer(sender); });
  ReadFormResource(kTkxProgressForm);
  FRestructuring = false;
  FVisiMode = false;
  FIndexNo = 1;
}

TkxProgress::~TkxProgress() = default;

void TkxProgress::CreateParams(TCreateParams& Params) {
  TForm::CreateParams(Params);
  Params.Style &= 0xFF3FFFFF;  // no WS_CAPTION: no title bar, the dialog frame stays
  Application->ProcessMessages();
}

void TkxProgress::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_STEPBAR) {
    WMStepBar(Message);
    return;
  }
  TForm::Dispatch(Message);
}

void TkxProgress::StepBar() {
  if (prgBar->FPosition < prgBar->FMax) prgBar->StepIt();
  Application->ProcessMessages();
}

void TkxProgress::WMStepBar(TMessage& Message) {
  if (prgBar->FPosition < prgBar->FMax) prgBar->StepIt();
}

void TkxProgress::cmbLangChange(TObject* Sender) { ModalResult = mrOk; }

void TkxProgress::Timer2Timer(TObject* Sender) {
  Timer2->Enabled = false;
  ModalResult = mrOk;
}

}  // namespace kx
