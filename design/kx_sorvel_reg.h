// The design-time half of the unit kxSorvelU: Register, which the host calls
// each time it loads the package, and the class references it passes.
//
// Register puts TkxSorvelU alone on the palette page "kxVantry" and makes
// TkxAboutProperty the editor of TkxSorvelU's "About" property, an
// AnsiString (a type-information record of kind tkLString named
// "AnsiString"). The record is made the first time Register runs after the
// package was loaded and stays alive while the registration refers to it;
// the package's finalisation frees it (FinalizeRegistration), so loading and
// unloading the package again and again leaves nothing behind.
#pragma once

#include "platform/design_intf.h"

namespace kx {

extern const TComponentClassInfo kTkxSorvelUClass;
extern const TPropertyEditorClassInfo kTkxAboutPropertyClass;

// RegisterComponents("kxVantry", {TkxSorvelU}, 0), then
// RegisterPropertyEditor(AnsiString record, TkxSorvelU, "About",
// TkxAboutProperty). Raises what the registry raises (EComponentError
// outside a design host).
void Register();

// Frees the type-information record. REQUIRES: the host no longer refers to
// the registration (it drops a package's registrations before unloading it).
void FinalizeRegistration();

// The record while the package is registered; null before and after.
const TTypeInfo* AboutPropertyTypeInfo();

}  // namespace kx
