// TLabel and TComboBox.
//
// A label shows a caption; with AutoSize it takes the width of its text (an
// estimate of 7 pixels a character: there are no real glyphs here), with
// Align alTop it spans its parent's client width along the top. A combo box
// has a list of entries (Items), the selected entry (ItemIndex, -1 for none)
// and its text. OnChange fires only for changes that the user makes
// (UserType, UserSelect), never for changes made from code. Changing the
// entries or the selection needs the combo box's window, so it creates the
// window (and the form's) when it has none yet, unless the form is still
// being read.
#pragma once

#include "platform/controls.h"
#include "platform/strings.h"

namespace kx {

class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* AOwner);
  const char* ClassName() const override { return "TLabel"; }

  AnsiString FCaption;
  TAlign FAlign = alNone;
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;

  TProp<TAlign> Align;
  TProp<TAlignment> Alignment{this, "Alignment", FAlignment, taLeftJustify};
  TProp<bool> AutoSize;
  TProp<AnsiString> Caption;
  TSubObjectProp FontProp{this, "Font", &FFont};
  TProp<bool> ParentFont{this, "ParentFont", FParentFont, true};
  TProp<bool> Visible{this, "Visible", FVisible, true};

 private:
  void AdjustBounds();
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
const EnumInfo& EnumInfoOf(TComboBoxStyle);

class TComboBox : public TWinControl {
 public:
  explicit TComboBox(TComponent* AOwner);
  const char* ClassName() const override { return "TComboBox"; }

  // What a person does: type one character (replacing the whole text when it
  // is selected, as it is after a selection, else at its end), or pick an
  // entry from the list. Both fire OnChange.
  void UserType(char c);
  void UserSelect(int index);

  TStringList FItems;
  TStrings* const Items = &FItems;
  int FItemIndex = -1;
  AnsiString FText;
  int FItemHeight = 16;
  TComboBoxStyle FStyle = csDropDown;
  bool FSorted = false;
  TNotifyEvent FOnChange;

  TProp<TComboBoxStyle> Style{this, "Style", FStyle, csDropDown};
  TSubObjectProp FontProp{this, "Font", &FFont};
  TProp<int> ItemHeight{this, "ItemHeight", FItemHeight, 16};
  TSubObjectProp ItemsProp{this, "Items", &FItems};
  TProp<bool> ParentFont{this, "ParentFont", FParentFont, true};
  TProp<bool> Sorted{this, "Sorted", FSorted, false};
  TProp<int> TabOrder{this, "TabOrder", FTabOrder, -1};
  TProp<AnsiString> Text;
  TProp<bool> Visible{this, "Visible", FVisible, true};
  TProp<TNotifyEvent> OnChange{this, "OnChange", FOnChange, TNotifyEvent{}};
  TProp<int> ItemIndex;

 private:
  void NeedWindow();
  bool text_selected_ = false;
};

}  // namespace kx
