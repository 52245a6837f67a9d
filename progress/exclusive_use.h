// ExclusiveUse: a run's hold on its table, from "enter exclusive use" to
// "leave exclusive use".
//
// Begin pumps, saves the screen's cursor and shows the hourglass, and tells
// whether the data set is a table at all. SwitchAndOpen makes the table
// exclusive (closing it first when it was open shared) and opens it; an
// exception from that one Open is absorbed, the table put back, and false
// returned (the run's 10243). Leave puts the table back: exclusive again only
// if it was, open again if it was open (also when it was exclusive and open,
// which the run's own Close would otherwise leave closed), closed if it was
// closed, and the cursor as it was. Whatever ends the run, the destructor
// does whatever Leave has not done, with errors at that point swallowed
// (the error already leaving the run is the one that matters).
#pragma once

#include "platform/db_tables.h"
#include "platform/graphics.h"

namespace kx {

class ExclusiveUse {
 public:
  explicit ExclusiveUse(TBDEDataSet* data_set) : data_set_(data_set) {}
  ~ExclusiveUse();
  ExclusiveUse(const ExclusiveUse&) = delete;
  ExclusiveUse& operator=(const ExclusiveUse&) = delete;

  // Returns false when the data set is not a table (nothing else to undo
  // but the cursor).
  bool Begin();
  bool SwitchAndOpen();
  void Leave();

 private:
  void PutTableBack();

  TBDEDataSet* data_set_;
  TTable* table_ = nullptr;
  bool cursor_saved_ = false;
  TCursor saved_cursor_ = crDefault;
  bool switched_ = false;
  bool was_exclusive_ = false;
  bool was_active_ = false;
};

}  // namespace kx
