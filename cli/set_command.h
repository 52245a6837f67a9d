// `kxsorvel set` and `kxsorvel pick`: changing one table property, given or
// picked from a list.
#pragma once

#include <string>

#include "cli/operation.h"

namespace kx::cli {

// PROPERTY is level, block-size or langdriver. The component refuses a
// value it does not accept without touching the table; the tool says so and
// exits 1.
int RunSet(const std::string& table, const std::string& property, const std::string& value,
           const Switches& switches);

int RunPick(const std::string& property, const std::string& table, const Switches& switches);

}  // namespace kx::cli
