// Running one of the component's operations on a table from the command
// line: a TTable for the table's folder and name, the component pointed at
// it with the switches given, the operation, and its result reported in the
// engine's words.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "component/kx_sorvel.h"

namespace kx::cli {

struct Switches {
  bool visible = false;                  // --visible: the component's VisiMode
  bool show_result = false;              // --show-result: the component's ShowResult
  std::vector<std::string> index_files;  // --index FILE: the table's IndexFiles
};

// Runs `op` on a component set up for `table`; returns the exit status: 0
// for a zero result, 1 (reported on stderr) for any other result or for an
// error raised by the operation.
int RunOperation(const std::string& table, const Switches& switches,
                 const std::function<DBIResult(TkxSorvelU&)>& op);

}  // namespace kx::cli
