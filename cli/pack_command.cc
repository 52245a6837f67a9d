// `kxsorvel pack`: a TTable for the table's folder and name, the component
// pointed at it, QuickPack, and the result reported in the engine's words.
#include "cli/pack_command.h"

#include "cli/report.h"
#include "cli/table_path.h"
#include "component/kx_sorvel.h"
#include "platform/db_tables.h"
#include "platform/platform.h"

namespace kx::cli {

int RunPack(const std::string& table, bool visible, bool show_result) {
  UseTerminalBackend();
  TablePath tp = SplitTablePath(table);
  TTable data(nullptr);
  data.DatabaseName = tp.dir;
  data.TableName = tp.name;
  TkxSorvelU sorvel(nullptr);
  sorvel.DataSet = &data;
  sorvel.VisiMode = visible;
  sorvel.ShowResult = show_result;
  DBIResult result = sorvel.QuickPack();
  return result == 0 ? 0 : ReportFailure(table, result, !show_result);
}

}  // namespace kx::cli
