// The design-time interface: what a package's Register calls, and the base
// of the property editors that the Object Inspector drives.
//
// RegisterComponents and RegisterPropertyEditor hand their registrations to
// the design registry that is installed; a design host (design_host.h) passes
// itself to a package when it loads it, and the package installs it for its
// units' Register entries. With no registry installed they raise
// EComponentError. A class reference (TComponentClass, TPropertyEditorClass)
// names a class and makes instances of it. It is a plain record of a name and
// function pointers, defined once by the module that owns the class, so a
// host that keeps one must drop it before that module is unloaded.
//
// TPropertyEditor is the base of property editors. The host makes one for a
// property of the selected components through its class reference, tells it
// what it edits (SetPropEntry), calls Initialize, and then asks it for its
// value text (GetValue), its attributes (GetAttributes: paDialog gives an
// ellipsis button that calls Edit), and so on. Its virtual operations keep
// the class library's slot order.
#pragma once

#include <functional>
#include <vector>

#include "platform/component.h"
#include "platform/type_info.h"

namespace kx {

// A component class cannot be registered (no design host, a bad array).
class EComponentError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EComponentError"; }
};

enum TPropertyAttribute {
  paValueList, paSubProperties, paDialog, paMultiSelect, paAutoUpdate, paSortList, paReadOnly,
  paRevertable, paFullWidthName
};
const EnumInfo& EnumInfoOf(TPropertyAttribute);
using TPropertyAttributes = TSet<TPropertyAttribute>;

// What a property editor reports back to the form designer.
class IDesigner {
 public:
  // The edited components have changed.
  virtual void Modified() = 0;

 protected:
  ~IDesigner() = default;
};

class TPropertyEditor;

struct TComponentClassInfo {
  const char* Name;
  TComponent* (*Create)(TComponent* owner);
  bool (*IsInstance)(const TObject* object);  // of this class or a descendant
};
using TComponentClass = const TComponentClassInfo*;

struct TPropertyEditorClassInfo {
  const char* Name;
  TPropertyEditor* (*Create)(IDesigner* designer, int prop_count);
};
using TPropertyEditorClass = const TPropertyEditorClassInfo*;

template <class T>
TComponent* NewComponentOf(TComponent* owner) {
  return new T(owner);
}
template <class T>
bool IsInstanceOf(const TObject* object) {
  return dynamic_cast<const T*>(object) != nullptr;
}
template <class T>
TPropertyEditor* NewPropertyEditorOf(IDesigner* designer, int prop_count) {
  return new T(designer, prop_count);
}
template <class T>
constexpr TComponentClassInfo ComponentClassInfo(const char* name) {
  return {name, &NewComponentOf<T>, &IsInstanceOf<T>};
}
template <class T>
constexpr TPropertyEditorClassInfo PropertyEditorClassInfo(const char* name) {
  return {name, &NewPropertyEditorOf<T>};
}

using TGetPropProc = std::function<void(TPropertyEditor* editor)>;
using TGetStrProc = std::function<void(const AnsiString& value)>;

class TPropertyEditor : public TObject {
 public:
  TPropertyEditor(IDesigner* ADesigner, int APropCount);
  ~TPropertyEditor() override;
  const char* ClassName() const override { return "TPropertyEditor"; }

  virtual void Activate();
  // True when every edited component holds the same value (one always does).
  virtual bool AllEqual();
  // The ellipsis button or a double click; the base does nothing.
  virtual void Edit();
  virtual TPropertyAttributes GetAttributes();  // {paMultiSelect, paRevertable}
  virtual int GetEditLimit();                   // 255
  virtual AnsiString GetName();                 // the property's name
  virtual void GetProperties(const TGetPropProc& Proc);
  virtual AnsiString GetValue();                // "(unknown)"
  virtual void GetValues(const TGetStrProc& Proc);
  virtual void Initialize();
  virtual void SetValue(const AnsiString& Value);

  // The host: entry `Index` (below the count given at construction) is the
  // property `Prop` of `Instance`. ERangeError for an index out of range.
  void SetPropEntry(int Index, TPersistent* Instance, PropertyBase* Prop);
  TPersistent* GetComponent(int Index) const;
  int PropCount() const { return static_cast<int>(entries_.size()); }
  IDesigner* Designer() const { return designer_; }

 protected:
  // The edited property of the first component (null before SetPropEntry).
  PropertyBase* GetPropInfo() const;

 private:
  struct Entry {
    TPersistent* instance = nullptr;
    PropertyBase* prop = nullptr;
  };
  IDesigner* designer_;
  std::vector<Entry> entries_;
};

// Where registrations go.
class IDesignRegistry {
 public:
  virtual void RegisterComponents(const AnsiString& Page, const TComponentClass* Classes,
                                  int ClassesHigh) = 0;
  virtual void RegisterPropertyEditor(const TTypeInfo* PropertyType, TComponentClass ComponentClass,
                                      const AnsiString& PropertyName, TPropertyEditorClass EditorClass) = 0;

 protected:
  ~IDesignRegistry() = default;
};

// Installs the registry that the two calls below use; returns the previous one.
IDesignRegistry* InstallDesignRegistry(IDesignRegistry* registry);
IDesignRegistry* CurrentDesignRegistry();

// Puts Classes[0..ClassesHigh] on the palette page `Page`. EComponentError
// without a registry, for a negative ClassesHigh or a null class.
void RegisterComponents(const AnsiString& Page, const TComponentClass Classes[], int ClassesHigh);
// Makes EditorClass the editor of the properties of type PropertyType named
// PropertyName (any name when empty) of ComponentClass and its descendants
// (any component when null). The registration keeps PropertyType: it must
// live as long as the registration. EComponentError without a registry or
// for a null type or editor class.
void RegisterPropertyEditor(const TTypeInfo* PropertyType, TComponentClass ComponentClass,
                            const AnsiString& PropertyName, TPropertyEditorClass EditorClass);

}  // namespace kx
