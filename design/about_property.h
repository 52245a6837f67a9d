// TkxAboutProperty: the editor of TkxSorvelU's About property, and the About
// box that it opens.
//
// The Object Inspector shows About as "(About)", whatever the property
// holds, with an ellipsis button (the attributes are paDialog alone). The
// button calls Edit, which shows the About box and returns when it has gone:
// a TkxProgress window with the product-and-maker line along its top, the
// version line in the middle and the legal-notice line along its bottom.
// Its timer closes it 5000 ms after it opened, with the modal result 1; the
// window is freed before Edit returns, also when the display raises.
#pragma once

#include "platform/design_intf.h"
#include "platform/forms.h"

namespace kx {

class TkxAboutProperty : public TPropertyEditor {
 public:
  TkxAboutProperty(IDesigner* ADesigner, int APropCount);
  ~TkxAboutProperty() override;
  const char* ClassName() const override { return "TkxAboutProperty"; }

  void Edit() override;
  TPropertyAttributes GetAttributes() override;
  AnsiString GetValue() override;
};

// The About box's lines. The version line is ten blanks, "Version", five
// blanks and the package version: 29 characters.
extern const char* const kAboutProductLine;
extern const char* const kAboutLegalLine;
extern const char* const kAboutVersionLine;

// Builds the About box, shows it modally, frees it, and returns the modal
// result (1 when its timer closed it). What Edit does; a program that shows
// the box outside a design host calls this.
TModalResult ShowAboutBox();

}  // namespace kx
