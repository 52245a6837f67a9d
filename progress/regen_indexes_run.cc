// TkxProgress::RunRegenIndexes: regenerate every index of the table on its
// own exclusive cursor, with the progress handlers numbering the indexes.
#include "engine/dbi.h"
#include "progress/exclusive_use.h"
#include "progress/progress_registrations.h"
#include "progress/tkx_progress.h"

namespace kx {

DBIResult TkxProgress::RunRegenIndexes() {
  ExclusiveUse use(FDataSet);
  if (!use.Begin()) return 0;
  if (!use.SwitchAndOpen()) return DBIERR_FILEBUSY;

  hDBICur table_cursor = FDataSet->Handle();
  DBIResult result;
  {
    ProgressRegistrations registrations(*this);
    result = DbiRegenIndexes(table_cursor);
    if (result == 0) Label1->Caption = "Complete ... ";
  }
  use.Leave();
  return result;
}

}  // namespace kx
