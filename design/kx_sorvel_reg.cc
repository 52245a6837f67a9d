// Register and the class references of the package.
#include "design/kx_sorvel_reg.h"

#include "component/kx_sorvel.h"
#include "design/about_property.h"

namespace kx {
namespace {

// One per package load: made by the first Register, freed at finalisation.
TTypeInfo* about_type_info = nullptr;

}  // namespace

const TComponentClassInfo kTkxSorvelUClass = ComponentClassInfo<TkxSorvelU>("TkxSorvelU");
const TPropertyEditorClassInfo kTkxAboutPropertyClass = PropertyEditorClassInfo<TkxAboutProperty>("TkxAboutProperty");

void Register() {
  if (!about_type_info) about_type_info = NewTypeInfo(tkLString, "AnsiString");
  const TComponentClass classes[] = {&kTkxSorvelUClass};
  RegisterComponents("kxVantry", classes, 0);
  RegisterPropertyEditor(about_type_info, &kTkxSorvelUClass, "About", &kTkxAboutPropertyClass);
}

void FinalizeRegistration() {
  FreeTypeInfo(about_type_info);
  about_type_info = nullptr;
}

const TTypeInfo* AboutPropertyTypeInfo() { return about_type_info; }

}  // namespace kx
