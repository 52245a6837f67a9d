// The entry points of a component package: what a design host finds in the
// shared library it loads, by these C names.
//
//   int kx_package_load(IDesignRegistry* host)   initialises the package's units;
//       0 when done. The host is where the units' Register entries register.
//   const KxPackageInfo* kx_package_info()        description, version, units, resources
//   void kx_package_unload()                      finalises the units
//
// The host calls load, then each unit's Register, and at the end drops
// whatever the package registered, frees the components made from its
// classes, and only then calls unload and closes the library: a package's
// finalisation may free what its registrations referred to.
// A resource is named and typed as in a Windows module: "RCDATA" for a form
// description or the package description, "BITMAP" for a device-independent
// bitmap (the header, the palette and the pixels; no file header), "ICON" for
// an icon file, "VERSION" for the version information as text lines.
#pragma once

#include <cstddef>

namespace kx {

class IDesignRegistry;

struct KxPackageResource {
  const char* Type;
  const char* Name;
  const unsigned char* Data;
  std::size_t Size;
};

struct KxPackageUnit {
  const char* Name;
  void (*Register)();  // null for a unit without one
};

struct KxPackageInfo {
  const char* Description;
  const char* Version;
  const KxPackageUnit* Units;
  int UnitCount;
  const KxPackageResource* Resources;
  int ResourceCount;
};

using KxPackageLoadFn = int (*)(IDesignRegistry* host);
using KxPackageInfoFn = const KxPackageInfo* (*)();
using KxPackageUnloadFn = void (*)();

constexpr const char* kPackageLoadEntry = "kx_package_load";
constexpr const char* kPackageInfoEntry = "kx_package_info";
constexpr const char* kPackageUnloadEntry = "kx_package_unload";

}  // namespace kx
