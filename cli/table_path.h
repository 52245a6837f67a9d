// Splitting a TABLE argument into the database folder and the table name.
#pragma once

#include <string>

namespace kx::cli {

struct TablePath {
  std::string dir;   // the database: the table's folder ("." when none given)
  std::string name;  // the file name within it
};

TablePath SplitTablePath(const std::string& arg);

}  // namespace kx::cli
