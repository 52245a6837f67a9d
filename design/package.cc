// The package's entry points and resources.
#include "design/package.h"

#include <cstring>
#include <vector>

#include "design/kx_sorvel_reg.h"
#include "platform/design_intf.h"
#include "progress/tkx_progress.h"

namespace kx {

// Generated from design/res by embed_resource.cmake.
extern const unsigned char kPaletteBitmap[];
extern const std::size_t kPaletteBitmapSize;
extern const unsigned char kPackageIcon[];
extern const std::size_t kPackageIconSize;

const char* const kPackageDescription = "kxSorvel: table maintenance component (pack, reindex, table level, "
                                        "block size, language driver)";

namespace {

const char* const kVersionInfo = "FileVersion=" KX_VERSION "\nProductVersion=" KX_VERSION "\n";

bool loaded = false;
IDesignRegistry* registry_before = nullptr;

const unsigned char* Bytes(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

const KxPackageUnit kUnits[] = {{"kxSorvelU", &Register}, {"TkxProgress", nullptr}};

}  // namespace
}  // namespace kx

extern "C" int kx_package_load(kx::IDesignRegistry* host) {
  if (kx::loaded) return 1;
  kx::loaded = true;
  kx::registry_before = kx::InstallDesignRegistry(host);
  return 0;
}

extern "C" const kx::KxPackageInfo* kx_package_info() {
  using namespace kx;
  static const KxPackageResource resources[] = {
      {"RCDATA", "TKXPROGRESS", Bytes(kTkxProgressForm), std::strlen(kTkxProgressForm)},
      {"BITMAP", "TKXSORVELU", kPaletteBitmap, kPaletteBitmapSize},
      {"ICON", "MAINICON", kPackageIcon, kPackageIconSize},
      {"RCDATA", "DESCRIPTION", Bytes(kPackageDescription), std::strlen(kPackageDescription)},
      {"VERSION", "1", Bytes(kVersionInfo), std::strlen(kVersionInfo)},
  };
  static const KxPackageInfo info{kPackageDescription, KX_VERSION, kUnits,       std::size(kUnits),
                                  resources,           std::size(resources)};
  return &info;
}

extern "C" void kx_package_unload() {
  if (!kx::loaded) return;
  kx::FinalizeRegistration();
  kx::InstallDesignRegistry(kx::registry_before);
  kx::registry_before = nullptr;
  kx::loaded = false;
}
