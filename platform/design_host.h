// TDesignHost: stands in for the IDE at design time.
//
// It loads a component package (a shared library with the entries of
// package_abi.h), initialises it with itself as the registry, and calls the
// Register entry of each of the package's units; it keeps the palette pages
// with their component classes and the property editors that were
// registered, each tagged with the package it came from. It places
// components on the form being designed (CreateComponent) and makes the
// property editor of a component's property as the Object Inspector would
// (GetPropertyEditor), through which the caller reads GetValue and
// GetAttributes and presses the ellipsis button (Edit).
//
// Unloading a package (UnloadPackage, or the host's destructor for all of
// them, last loaded first) frees the components made from its classes,
// drops its palette entries and editors, calls its unload entry, and closes
// the library, in that order. Property editors that the caller still holds
// must be freed before.
//
// The host and its packages share one class library and one engine
// interface: both are built as shared libraries (libkxruntime.so) that the
// host program and every package link, so the application object, the
// screen, the installed platform and the installed engine exist once. A test
// that installs a virtual platform therefore installs it for the package too.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/design_intf.h"
#include "platform/package_abi.h"

namespace kx {

// A package that cannot be loaded, or lacks an entry point.
class EPackageError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EPackageError"; }
};

class TDesignHost : public IDesignRegistry, public IDesigner {
 public:
  struct PaletteEntry {
    AnsiString Page;
    TComponentClass Class;
    int Package;  // -1: registered outside a package load
  };
  struct EditorEntry {
    const TTypeInfo* PropertyType;
    TComponentClass ComponentClass;
    AnsiString PropertyName;
    TPropertyEditorClass EditorClass;
    int Package;
  };

  TDesignHost();
  ~TDesignHost();
  TDesignHost(const TDesignHost&) = delete;
  TDesignHost& operator=(const TDesignHost&) = delete;

  // Loads the package at `path` and runs its units' Register entries;
  // returns its number. EPackageError when it cannot be loaded or
  // initialised; an error raised by a Register undoes the load and passes on.
  int LoadPackage(const std::string& path);
  void UnloadPackage(int package);
  const KxPackageInfo& PackageInfo(int package) const;
  int PackageCount() const { return static_cast<int>(packages_.size()); }

  // The palette: pages in the order they were first registered.
  std::vector<AnsiString> Pages() const;
  std::vector<TComponentClass> PageClasses(const AnsiString& page) const;
  const std::vector<PaletteEntry>& Palette() const { return palette_; }
  const std::vector<EditorEntry>& PropertyEditors() const { return editors_; }
  TComponentClass FindComponentClass(const AnsiString& class_name) const;

  // Places a component of a registered class (EComponentError for another
  // name). The host owns it until its package is unloaded.
  TComponent* CreateComponent(const AnsiString& class_name);
  // The editor of `component`'s property `prop_name`, initialised: the one
  // registered last whose type, component class and property name fit, or
  // the base editor. Null when the component has no such property.
  std::unique_ptr<TPropertyEditor> GetPropertyEditor(TComponent* component, const AnsiString& prop_name);

  int Modifications() const { return modifications_; }

  // IDesignRegistry: what the packages' Register entries call.
  void RegisterComponents(const AnsiString& Page, const TComponentClass* Classes, int ClassesHigh) override;
  void RegisterPropertyEditor(const TTypeInfo* PropertyType, TComponentClass ComponentClass,
                              const AnsiString& PropertyName, TPropertyEditorClass EditorClass) override;
  // IDesigner
  void Modified() override { ++modifications_; }

 private:
  struct Package {
    int id;
    std::string path;
    void* library;
    const KxPackageInfo* info;
    KxPackageUnloadFn unload;
  };
  struct Placed {
    TComponent* component;
    int package;
  };
  const Package* Find(int package) const;
  int PackageOfClass(TComponentClass cls) const;
  // Frees its components, drops its registrations, finalises and closes it.
  void Release(const Package& package);

  std::vector<Package> packages_;
  std::vector<PaletteEntry> palette_;
  std::vector<EditorEntry> editors_;
  std::vector<Placed> placed_;
  int next_id_ = 1;
  int loading_ = -1;  // the package whose units are registering
  int modifications_ = 0;
};

}  // namespace kx
