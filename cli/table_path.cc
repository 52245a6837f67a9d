#include "cli/table_path.h"

namespace kx::cli {

TablePath SplitTablePath(const std::string& arg) {
  auto slash = arg.find_last_of('/');
  if (slash == std::string::npos) return {".", arg};
  if (slash == 0) return {"/", arg.substr(1)};
  return {arg.substr(0, slash), arg.substr(slash + 1)};
}

}  // namespace kx::cli
