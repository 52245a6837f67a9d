// `kxsorvel pack`: packs a table through the maintenance component.
#pragma once

#include <string>

namespace kx::cli {

// Returns the exit status: 0 on success, 1 when the engine failed.
int RunPack(const std::string& table, bool visible, bool show_result);

}  // namespace kx::cli
