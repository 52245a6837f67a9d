// The index step of a table rewrite: see dbf_index_step.h.
#include "storage/dbase/dbf_index_step.h"

#include "storage/api/codes.h"
#include "storage/dbase/dbf_table.h"

namespace kx::storage {

Status CheckIndexesCanFollow(const DbfTable& table, const std::string& what) {
  const TableInfo& info = table.Info();
  if (!info.index_files.empty() || info.production_index_flag) {
    return Status::Error(DBIERR_INDEXNOTSUPPORTED,
                         "index files not supported yet: '" + BaseName(info.path) +
                             "' has an index, " + what + " refused",
                         info.path);
  }
  return Status::OK();
}

Status RebuildFamilyIndexes(const IndexStepInput& input, std::vector<std::string>* temps,
                            std::vector<StagedMember>* staged) {
  // Nothing yet: CheckIndexesCanFollow lets through only tables without
  // index files.
  return Status::OK();
}

}  // namespace kx::storage
