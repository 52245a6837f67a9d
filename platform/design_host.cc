// TDesignHost: loading packages, the palette and the Object Inspector.
#include "platform/design_host.h"

#include <dlfcn.h>

#include <algorithm>

namespace kx {
namespace {

void* Entry(void* library, const char* name, const std::string& path) {
  void* entry = dlsym(library, name);
  if (!entry) {
    dlclose(library);
    throw EPackageError("Package '" + path + "' has no entry " + name);
  }
  return entry;
}

}  // namespace

TDesignHost::TDesignHost() = default;

TDesignHost::~TDesignHost() {
  while (!packages_.empty()) UnloadPackage(packages_.back().id);
}

int TDesignHost::LoadPackage(const std::string& path) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) throw EPackageError("Cannot load package '" + path + "': " + dlerror());
  auto load = reinterpret_cast<KxPackageLoadFn>(Entry(library, kPackageLoadEntry, path));
  auto info = reinterpret_cast<KxPackageInfoFn>(Entry(library, kPackageInfoEntry, path));
  auto unload = reinterpret_cast<KxPackageUnloadFn>(Entry(library, kPackageUnloadEntry, path));
  if (load(this) != 0) {
    dlclose(library);
    throw EPackageError("Package '" + path + "' could not be initialised (is it loaded already?)");
  }
  Package package{next_id_++, path, library, info(), unload};
  packages_.push_back(package);
  loading_ = package.id;
  try {
    for (int i = 0; i < package.info->UnitCount; ++i) {
      if (package.info->Units[i].Register) package.info->Units[i].Register();
    }
  } catch (...) {
    loading_ = -1;
    UnloadPackage(package.id);
    throw;
  }
  loading_ = -1;
  return package.id;
}

void TDesignHost::UnloadPackage(int package) {
  auto it = std::find_if(packages_.begin(), packages_.end(), [package](const Package& p) { return p.id == package; });
  if (it == packages_.end()) return;
  Package gone = *it;
  packages_.erase(it);
  Release(gone);
}

void TDesignHost::Release(const Package& package) {
  // Components first: their code lives in the package.
  for (auto it = placed_.rbegin(); it != placed_.rend(); ++it) {
    if (it->package == package.id) delete it->component;
  }
  std::erase_if(placed_, [&](const Placed& p) { return p.package == package.id; });
  std::erase_if(palette_, [&](const PaletteEntry& e) { return e.Package == package.id; });
  std::erase_if(editors_, [&](const EditorEntry& e) { return e.Package == package.id; });
  package.unload();
  dlclose(package.library);
}

const TDesignHost::Package* TDesignHost::Find(int package) const {
  for (const Package& p : packages_) {
    if (p.id == package) return &p;
  }
  return nullptr;
}

const KxPackageInfo& TDesignHost::PackageInfo(int package) const {
  const Package* p = Find(package);
  if (!p) throw EPackageError("No package " + std::to_string(package) + " is loaded");
  return *p->info;
}

std::vector<AnsiString> TDesignHost::Pages() const {
  std::vector<AnsiString> pages;
  for (const PaletteEntry& e : palette_) {
    if (std::find(pages.begin(), pages.end(), e.Page) == pages.end()) pages.push_back(e.Page);
  }
  return pages;
}

std::vector<TComponentClass> TDesignHost::PageClasses(const AnsiString& page) const {
  std::vector<TComponentClass> classes;
  for (const PaletteEntry& e : palette_) {
    if (e.Page == page) classes.push_back(e.Class);
  }
  return classes;
}

TComponentClass TDesignHost::FindComponentClass(const AnsiString& class_name) const {
  for (const PaletteEntry& e : palette_) {
    if (SameText(e.Class->Name, class_name)) return e.Class;
  }
  return nullptr;
}

int TDesignHost::PackageOfClass(TComponentClass cls) const {
  for (const PaletteEntry& e : palette_) {
    if (e.Class == cls) return e.Package;
  }
  return -1;
}

TComponent* TDesignHost::CreateComponent(const AnsiString& class_name) {
  TComponentClass cls = FindComponentClass(class_name);
  if (!cls) throw EComponentError("Class " + class_name + " is not on the palette");
  TComponent* component = cls->Create(nullptr);
  placed_.push_back(Placed{component, PackageOfClass(cls)});
  return component;
}

std::unique_ptr<TPropertyEditor> TDesignHost::GetPropertyEditor(TComponent* component, const AnsiString& prop_name) {
  PropertyBase* prop = component ? component->FindProperty(prop_name) : nullptr;
  if (!prop) return nullptr;
  std::unique_ptr<TPropertyEditor> editor;
  for (auto it = editors_.rbegin(); it != editors_.rend() && !editor; ++it) {
    if (!SameType(it->PropertyType, prop->PropType())) continue;
    if (it->ComponentClass && !it->ComponentClass->IsInstance(component)) continue;
    if (!it->PropertyName.empty() && !SameText(it->PropertyName, prop_name)) continue;
    editor.reset(it->EditorClass->Create(this, 1));
  }
  if (!editor) editor = std::make_unique<TPropertyEditor>(this, 1);
  editor->SetPropEntry(0, component, prop);
  editor->Initialize();
  return editor;
}

void TDesignHost::RegisterComponents(const AnsiString& Page, const TComponentClass* Classes, int ClassesHigh) {
  for (int i = 0; i <= ClassesHigh; ++i) palette_.push_back(PaletteEntry{Page, Classes[i], loading_});
}

void TDesignHost::RegisterPropertyEditor(const TTypeInfo* PropertyType, TComponentClass ComponentClass,
                                         const AnsiString& PropertyName, TPropertyEditorClass EditorClass) {
  editors_.push_back(EditorEntry{PropertyType, ComponentClass, PropertyName, EditorClass, loading_});
}

}  // namespace kx
