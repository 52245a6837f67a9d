// The package kxSorvel as a design host sees it: the C entry points of
// package_abi.h, its description and version, and its resources.
//
// Loading initialises the units: the host given becomes the registry that
// Register reports to. Unloading finalises them: the type-information record
// of this load is freed and the registry that was installed before comes
// back. A second load without an unload in between is refused (result 1).
// The resources: the form description TKXPROGRESS, the palette bitmap
// TKXSORVELU (24 x 24, 16 colours), the icon MAINICON, the description
// DESCRIPTION and the version information.
#pragma once

#include "platform/package_abi.h"

namespace kx {

extern const char* const kPackageDescription;

}  // namespace kx

extern "C" {
int kx_package_load(kx::IDesignRegistry* host);
const kx::KxPackageInfo* kx_package_info();
void kx_package_unload();
}
