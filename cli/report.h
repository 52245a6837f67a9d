// How the tool reports an engine failure: the engine's own words, the
// code, the table's path and whatever context the engine recorded.
#pragma once

#include <string>

namespace kx::cli {

// Writes the failure to stderr and returns the exit status for it (1).
// The engine's context lines follow unless the component already showed
// them in its own report.
int ReportFailure(const std::string& table, unsigned code, bool with_context = true);

}  // namespace kx::cli
