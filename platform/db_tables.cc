// TBDEDataSet and TTable.
#include "platform/db_tables.h"

#include <string>
#include <vector>

#include "engine/dbi.h"
#include "engine/kx_ext.h"
#include "platform/db_errors.h"

namespace kx {

TBDEDataSet::TBDEDataSet(TComponent* AOwner)
    : TComponent(AOwner), Active(this, "Active", FActive, false, [this](const bool& on) {
        if (FLoading) streamed_active_ = on;
        else if (on) Open();
        else Close();
      }) {}

void TBDEDataSet::Loaded() {
  if (streamed_active_) Open();
}

TBDEDataSet::~TBDEDataSet() {
  // A table that is still open is closed; the engine's answer no longer
  // matters to anyone.
  if (cursor_) DbiCloseCursor(&cursor_);
  if (database_) DbiCloseDatabase(&database_);
}

void TBDEDataSet::Open() {
  if (FActive) return;
  hDBICur cursor = nullptr;
  OpenCursor(&database_, &cursor);
  cursor_ = cursor;
  FActive = true;
}

void TBDEDataSet::Close() {
  if (!FActive) return;
  FActive = false;
  if (cursor_) DbiCloseCursor(&cursor_);
  cursor_ = nullptr;
}

void TBDEDataSet::CloseDatabase() {
  if (database_) DbiCloseDatabase(&database_);
  database_ = nullptr;
}

void TBDEDataSet::OpenCursor(hDBIDb*, hDBICur*) {
  throw EDatabaseError(std::string(ClassName()) + ": cannot open this data set");
}

void TBDEDataSet::CheckInactive() const {
  if (FActive) throw EDatabaseError("Cannot perform this operation on an open dataset");
}

TTable::TTable(TComponent* AOwner)
    : TBDEDataSet(AOwner),
      DatabaseName(this, "DatabaseName", FDatabaseName, "",
                   [this](const AnsiString& v) {
                     CheckInactive();
                     if (v != FDatabaseName) CloseDatabase();
                     FDatabaseName = v;
                   }),
      Exclusive(this, "Exclusive", FExclusive, false,
                [this](const bool& v) {
                  CheckInactive();
                  FExclusive = v;
                }),
      TableName(this, "TableName", FTableName, "", [this](const AnsiString& v) {
        CheckInactive();
        FTableName = v;
      }) {}

void TTable::OpenCursor(hDBIDb* database, hDBICur* cursor) {
  Check(DbiInit(nullptr));
  if (!*database) Check(DbiOpenDatabase(FDatabaseName.c_str(), database));
  if (IndexFiles.Count() > 0) {
    std::vector<std::string> files;
    for (const AnsiString& f : IndexFiles.ToVector()) files.emplace_back(f.c_str());
    Check(KxSetIndexFiles(*database, FTableName.c_str(), files));
  }
  Check(DbiOpenTable(*database, FTableName.c_str(), nullptr, nullptr, nullptr, 0, dbiREADWRITE,
                     FExclusive ? dbiOPENEXCL : dbiOPENSHARED, xltFIELD, 0, nullptr, cursor));
}

}  // namespace kx
