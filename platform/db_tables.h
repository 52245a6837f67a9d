// TBDEDataSet and TTable: a table of the engine, opened through the Dbi*
// calls.
//
// DatabaseName is a directory; TableName a file name in it. Open calls
// DbiInit, DbiOpenDatabase for the directory (once: the connection is kept
// after Close, until the name changes or the table is destroyed) and
// DbiOpenTable, shared or (Exclusive) exclusive, and raises EDBEngineError
// through Check when one of them fails, leaving the table closed. Close
// closes the cursor. Exclusive, DatabaseName and TableName cannot be changed
// while the table is open (EDatabaseError). Handle is the table's cursor
// (null while closed); DBHandle its database (null until first opened).
#pragma once

#include "engine/dbi_types.h"
#include "platform/component.h"
#include "platform/strings.h"

namespace kx {

class TBDEDataSet : public TComponent {
 public:
  explicit TBDEDataSet(TComponent* AOwner);
  ~TBDEDataSet() override;
  const char* ClassName() const override { return "TBDEDataSet"; }

  void Open();
  void Close();
  hDBICur Handle() const { return cursor_; }
  hDBIDb DBHandle() const { return database_; }

  bool FActive = false;
  TProp<bool> Active;

  void Loaded() override;

 protected:
  // Opens the engine cursor, and the database when *database is null; raises
  // on failure with no cursor open.
  virtual void OpenCursor(hDBIDb* database, hDBICur* cursor);
  void CheckInactive() const;
  void CloseDatabase();

 private:
  bool streamed_active_ = false;  // Active read from a form: opened once all is read
  hDBIDb database_ = nullptr;
  hDBICur cursor_ = nullptr;
};

class TTable : public TBDEDataSet {
 public:
  explicit TTable(TComponent* AOwner);
  const char* ClassName() const override { return "TTable"; }

  AnsiString FDatabaseName;
  AnsiString FTableName;
  bool FExclusive = false;

  TProp<AnsiString> DatabaseName;
  TProp<bool> Exclusive;
  TProp<AnsiString> TableName;
  // Index files the application attaches to the table (.ndx, .idx, .mdx,
  // .cdx in its folder) besides those the table names itself; handed to the
  // engine at Open, so its packs and regenerations keep them up to date.
  TStringList IndexFiles;

 protected:
  void OpenCursor(hDBIDb* database, hDBICur* cursor) override;
};

}  // namespace kx
