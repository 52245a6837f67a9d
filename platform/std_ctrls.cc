// TLabel and TComboBox.
#include "platform/std_ctrls.h"

namespace kx {

TLabel::TLabel(TComponent* AOwner)
    : TControl(AOwner),
      Align(this, "Align", FAlign, alNone,
            [this](const TAlign& a) {
              FAlign = a;
              AdjustBounds();
            }),
      AutoSize(this, "AutoSize", FAutoSize, true,
               [this](const bool& on) {
                 FAutoSize = on;
                 AdjustBounds();
               }),
      Caption(this, "Caption", FCaption, "", [this](const AnsiString& text) {
        FCaption = text;
        AdjustBounds();
      }) {}

void TLabel::AdjustBounds() {
  if (FLoading) return;  // the stored bounds are the designer's
  if (FAlign == alTop || FAlign == alBottom) {
    FLeft = 0;
    if (FAlign == alTop) FTop = 0;
    if (FAlign == alBottom && Parent()) FTop = Parent()->ClientAreaHeight() - FHeight;
    if (Parent()) FWidth = Parent()->ClientAreaWidth();
    return;
  }
  if (FAutoSize && !FCaption.empty()) FWidth = static_cast<int>(FCaption.size()) * 7;
}

const EnumInfo& EnumInfoOf(TComboBoxStyle) {
  static const EnumInfo info{{{"csDropDown", csDropDown},
                              {"csSimple", csSimple},
                              {"csDropDownList", csDropDownList},
                              {"csOwnerDrawFixed", csOwnerDrawFixed},
                              {"csOwnerDrawVariable", csOwnerDrawVariable}}};
  return info;
}

TComboBox::TComboBox(TComponent* AOwner)
    : TWinControl(AOwner),
      Text(this, "Text", FText, ""),
      ItemIndex(this, "ItemIndex", [this] { return FItemIndex; },
                [this](const int& index) {
                  NeedWindow();
                  if (index < -1 || index >= Items->Count())
                    throw ERangeError("ItemIndex " + std::to_string(index) + " out of bounds");
                  FItemIndex = index;
                  FText = index >= 0 ? Items->Get(index) : AnsiString();
                  text_selected_ = index >= 0;
                }) {
  FItems.OnChanging = [this] { NeedWindow(); };
  FItems.OnChange = [this] {
    if (FItemIndex >= Items->Count()) FItemIndex = -1;
  };
}

void TComboBox::NeedWindow() {
  // While the form is being read there is no window to talk to yet.
  if (FLoading || !Parent()) return;
  HandleNeeded();
}

void TComboBox::UserType(char c) {
  if (text_selected_) FText.clear();
  text_selected_ = false;
  FText += c;
  FItemIndex = Items->IndexOf(FText);
  if (FItemIndex >= 0 && Items->Get(FItemIndex) != FText) FItemIndex = -1;
  FOnChange(this);
}

void TComboBox::UserSelect(int index) {
  if (index < 0 || index >= Items->Count()) return;
  FItemIndex = index;
  FText = Items->Get(index);
  text_selected_ = true;
  FOnChange(this);
}

}  // namespace kx
