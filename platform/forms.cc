// TForm.
#include "platform/forms.h"

#include <algorithm>

#include "platform/application.h"
#include "platform/form_stream.h"
#include "platform/platform.h"

namespace kx {

const EnumInfo& EnumInfoOf(TFormBorderStyle) {
  static const EnumInfo info{{{"bsNone", bsNone},
                              {"bsSingle", bsSingle},
                              {"bsSizeable", bsSizeable},
                              {"bsDialog", bsDialog},
                              {"bsToolWindow", bsToolWindow},
                              {"bsSizeToolWin", bsSizeToolWin}}};
  return info;
}

const EnumInfo& EnumInfoOf(TBorderIcon) {
  static const EnumInfo info{
      {{"biSystemMenu", biSystemMenu}, {"biMinimize", biMinimize}, {"biMaximize", biMaximize}, {"biHelp", biHelp}}};
  return info;
}

const EnumInfo& EnumInfoOf(TFormStyle) {
  static const EnumInfo info{
      {{"fsNormal", fsNormal}, {"fsMDIChild", fsMDIChild}, {"fsMDIForm", fsMDIForm}, {"fsStayOnTop", fsStayOnTop}}};
  return info;
}

const EnumInfo& EnumInfoOf(TPosition) {
  static const EnumInfo info{{{"poDesigned", poDesigned},
                              {"poDefault", poDefault},
                              {"poDefaultPosOnly", poDefaultPosOnly},
                              {"poDefaultSizeOnly", poDefaultSizeOnly},
                              {"poScreenCenter", poScreenCenter}}};
  return info;
}

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) {
  FVisible = false;
  ModalResult.SetStored(false);
  Screen->forms_.push_back(this);
}

TForm::~TForm() {
  if (FVisible) Hide();
  // Controls go first, while the form they sit on is still whole.
  DestroyComponents();
  DestroyHandle();
  auto& forms = Screen->forms_;
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
}

void TForm::ReadFormResource(std::string_view text) { ReadComponentResource(*this, text); }

int TForm::FrameWidth() const {
  switch (FBorderStyle) {
    case bsNone: return 0;
    case bsSizeable: return 8;
    default: return 6;
  }
}

int TForm::FrameHeight() const { return FrameWidth(); }

void TForm::CreateParams(TCreateParams& Params) {
  Params.Caption = FCaption;
  Params.Style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  Params.ExStyle = 0;
  switch (FBorderStyle) {
    case bsNone: break;
    case bsSingle:
    case bsToolWindow: Params.Style |= WS_CAPTION; break;
    case bsSizeable:
    case bsSizeToolWin: Params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      Params.Style |= WS_CAPTION;
      Params.ExStyle |= WS_EX_DLGMODALFRAME;
      break;
  }
  if (FBorderStyle != bsNone) {
    if (FBorderIcons.Contains(biSystemMenu)) Params.Style |= WS_SYSMENU;
    if (FBorderStyle != bsDialog && FBorderIcons.Contains(biMinimize)) Params.Style |= WS_MINIMIZEBOX;
    if (FBorderStyle != bsDialog && FBorderIcons.Contains(biMaximize)) Params.Style |= WS_MAXIMIZEBOX;
  }
  if (FFormStyle == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
  Params.Width = FClientWidth + 2 * FrameWidth();
  Params.Height = FClientHeight + 2 * FrameHeight();
  if (FPosition == poScreenCenter) {
    FLeft = (Screen->Width - Params.Width) / 2;
    FTop = (Screen->Height - Params.Height) / 2;
  }
  Params.X = FLeft;
  Params.Y = FTop;
}

void TForm::Show() {
  HandleNeeded();
  FVisible = true;
  CurrentPlatform().Backend().ShowWindow(Handle(), true);
}

void TForm::Hide() {
  FVisible = false;
  if (HandleAllocated()) CurrentPlatform().Backend().ShowWindow(Handle(), false);
}

TModalResult TForm::ShowModal() {
  if (FVisible || modal_) throw Exception("Cannot make a visible window modal");
  FModalResult = mrNone;
  modal_ = true;
  try {
    Show();
    while (FModalResult == mrNone) {
      if (!Application->HandleMessage()) FModalResult = mrCancel;
    }
  } catch (...) {
    modal_ = false;
    Hide();
    throw;
  }
  modal_ = false;
  Hide();
  return FModalResult;
}

void TForm::Close() {
  if (modal_) FModalResult = mrCancel;
  else Hide();
}

void TForm::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_CLOSE) {
    Close();
    Message.Result = 0;
    return;
  }
  TWinControl::Dispatch(Message);
}

}  // namespace kx
