// `kxsorvel info [--json] TABLE`: what a table is made of.
#pragma once

#include <string>

namespace kx::cli {

// Prints the description of TABLE on stdout; returns the engine result.
int RunInfo(const std::string& table, bool json);

}  // namespace kx::cli
