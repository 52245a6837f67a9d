#include "cli/operation.h"

#include <cstdio>
#include <exception>

#include "cli/report.h"
#include "cli/table_path.h"
#include "platform/db_tables.h"
#include "platform/platform.h"

namespace kx::cli {

int RunOperation(const std::string& table, const Switches& switches,
                 const std::function<DBIResult(TkxSorvelU&)>& op) {
  UseTerminalBackend();
  TablePath tp = SplitTablePath(table);
  TTable data(nullptr);
  data.DatabaseName = tp.dir;
  data.TableName = tp.name;
  for (const auto& f : switches.index_files) data.IndexFiles.Add(f);
  TkxSorvelU sorvel(nullptr);
  sorvel.DataSet = &data;
  sorvel.VisiMode = switches.visible;
  sorvel.ShowResult = switches.show_result;
  DBIResult result = 0;
  try {
    result = op(sorvel);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kxsorvel: %s: %s\n", table.c_str(), e.what());
    return 1;
  }
  return result == 0 ? 0 : ReportFailure(table, result, !switches.show_result);
}

}  // namespace kx::cli
