// The design-time interface: registration and the base property editor.
#include "platform/design_intf.h"

namespace kx {
namespace {

IDesignRegistry* installed_registry = nullptr;

IDesignRegistry& Registry(const char* what) {
  if (!installed_registry) throw EComponentError(std::string("Cannot ") + what + ": no design host to register with");
  return *installed_registry;
}

}  // namespace

const EnumInfo& EnumInfoOf(TPropertyAttribute) {
  static const EnumInfo info{{{"paValueList", paValueList},
                              {"paSubProperties", paSubProperties},
                              {"paDialog", paDialog},
                              {"paMultiSelect", paMultiSelect},
                              {"paAutoUpdate", paAutoUpdate},
                              {"paSortList", paSortList},
                              {"paReadOnly", paReadOnly},
                              {"paRevertable", paRevertable},
                              {"paFullWidthName", paFullWidthName}}};
  return info;
}

TPropertyEditor::TPropertyEditor(IDesigner* ADesigner, int APropCount)
    : designer_(ADesigner), entries_(APropCount > 0 ? APropCount : 0) {}

TPropertyEditor::~TPropertyEditor() = default;

void TPropertyEditor::Activate() {}

bool TPropertyEditor::AllEqual() { return PropCount() == 1; }

void TPropertyEditor::Edit() {}

TPropertyAttributes TPropertyEditor::GetAttributes() { return {paMultiSelect, paRevertable}; }

int TPropertyEditor::GetEditLimit() { return 255; }

AnsiString TPropertyEditor::GetName() {
  PropertyBase* prop = GetPropInfo();
  return prop ? prop->Name() : "";
}

void TPropertyEditor::GetProperties(const TGetPropProc& Proc) {}

AnsiString TPropertyEditor::GetValue() { return "(unknown)"; }

void TPropertyEditor::GetValues(const TGetStrProc& Proc) {}

void TPropertyEditor::Initialize() {}

void TPropertyEditor::SetValue(const AnsiString& Value) {}

void TPropertyEditor::SetPropEntry(int Index, TPersistent* Instance, PropertyBase* Prop) {
  if (Index < 0 || Index >= PropCount()) throw ERangeError("property entry " + std::to_string(Index) + " out of range");
  entries_[Index] = Entry{Instance, Prop};
}

TPersistent* TPropertyEditor::GetComponent(int Index) const {
  if (Index < 0 || Index >= PropCount()) throw ERangeError("component " + std::to_string(Index) + " out of range");
  return entries_[Index].instance;
}

PropertyBase* TPropertyEditor::GetPropInfo() const { return entries_.empty() ? nullptr : entries_[0].prop; }

IDesignRegistry* InstallDesignRegistry(IDesignRegistry* registry) {
  IDesignRegistry* previous = installed_registry;
  installed_registry = registry;
  return previous;
}

IDesignRegistry* CurrentDesignRegistry() { return installed_registry; }

void RegisterComponents(const AnsiString& Page, const TComponentClass Classes[], int ClassesHigh) {
  IDesignRegistry& registry = Registry("register components");
  if (ClassesHigh < 0 || !Classes) throw EComponentError("RegisterComponents: no classes for page '" + Page + "'");
  for (int i = 0; i <= ClassesHigh; ++i) {
    if (!Classes[i]) throw EComponentError("RegisterComponents: class " + std::to_string(i) + " is nil");
  }
  registry.RegisterComponents(Page, Classes, ClassesHigh);
}

void RegisterPropertyEditor(const TTypeInfo* PropertyType, TComponentClass ComponentClass,
                            const AnsiString& PropertyName, TPropertyEditorClass EditorClass) {
  IDesignRegistry& registry = Registry("register a property editor");
  if (!PropertyType || !EditorClass) throw EComponentError("RegisterPropertyEditor: nil type or editor class");
  registry.RegisterPropertyEditor(PropertyType, ComponentClass, PropertyName, EditorClass);
}

}  // namespace kx
