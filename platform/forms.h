// TForm: a top-level window whose components come from its form description.
//
// A form class passes its description to ReadFormResource as the first thing
// in its constructor, after it has published its fields and handlers; that
// creates the components, sets every property and binds the events. The
// window handle is created on the first Show or ShowModal (or when a control
// on the form needs one); creating it calls CreateParams. ShowModal runs the
// application's modal loop until ModalResult is not 0, then hides the form
// and returns ModalResult. A modal loop that can never see another event
// (nothing scripted, no timer) ends with mrCancel, as when the application
// is closing.
#pragma once

#include <string_view>

#include "platform/controls.h"

namespace kx {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
const EnumInfo& EnumInfoOf(TFormBorderStyle);
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
const EnumInfo& EnumInfoOf(TBorderIcon);
using TBorderIcons = TSet<TBorderIcon>;
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
const EnumInfo& EnumInfoOf(TFormStyle);
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };
const EnumInfo& EnumInfoOf(TPosition);

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* AOwner);
  ~TForm() override;
  const char* ClassName() const override { return "TForm"; }

  void Show();
  void Hide();
  TModalResult ShowModal();
  void Close();
  bool Modal() const { return modal_; }
  void Dispatch(TMessage& Message) override;

  // The frame's size around the client area, in pixels.
  int FrameWidth() const;
  int FrameHeight() const;
  int ClientAreaWidth() const override { return FClientWidth; }
  int ClientAreaHeight() const override { return FClientHeight; }

  TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TFormBorderStyle FBorderStyle = bsSizeable;
  AnsiString FCaption;
  int FClientWidth = 0, FClientHeight = 0;
  TFormStyle FFormStyle = fsNormal;
  TPosition FPosition = poDesigned;
  int FPixelsPerInch = 96;
  int FTextHeight = 13;
  TModalResult FModalResult = mrNone;

  TProp<TBorderIcons> BorderIcons{this, "BorderIcons", FBorderIcons, TBorderIcons{biSystemMenu, biMinimize, biMaximize}};
  TProp<TFormBorderStyle> BorderStyle{this, "BorderStyle", FBorderStyle, bsSizeable};
  TProp<AnsiString> Caption{this, "Caption", FCaption, ""};
  TProp<int> ClientHeight{this, "ClientHeight", FClientHeight, 0};
  TProp<int> ClientWidth{this, "ClientWidth", FClientWidth, 0};
  TSubObjectProp FontProp{this, "Font", &FFont};
  TProp<TFormStyle> FormStyle{this, "FormStyle", FFormStyle, fsNormal};
  TProp<TPosition> Position{this, "Position", FPosition, poDesigned};
  TProp<int> PixelsPerInch{this, "PixelsPerInch", FPixelsPerInch, 96};
  TProp<int> TextHeight{this, "TextHeight", FTextHeight, 13};
  TProp<bool> Visible{this, "Visible", FVisible, false};
  TProp<TModalResult> ModalResult{this, "ModalResult", FModalResult, mrNone};

 protected:
  void CreateParams(TCreateParams& Params) override;
  // Builds the components from the form description (form_stream.h).
  void ReadFormResource(std::string_view text);

 private:
  bool modal_ = false;
};

}  // namespace kx
