// `kxsorvel info [--json] TABLE`: what a table is made of.
#pragma once

#include <string>
#include <vector>

namespace kx::cli {

// Prints the description of TABLE on stdout; returns the engine result.
int RunInfo(const std::string& table, bool json, const std::vector<std::string>& index_files);

}  // namespace kx::cli
