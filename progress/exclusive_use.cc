// ExclusiveUse.
#include "progress/exclusive_use.h"

#include "platform/application.h"
#include "progress/tkx_progress.h"

namespace kx {

ExclusiveUse::~ExclusiveUse() {
  if (switched_) {
    try {
      PutTableBack();
    } catch (...) {
    }
  }
  if (cursor_saved_) Screen->Cursor = saved_cursor_;
}

bool ExclusiveUse::Begin() {
  Application->ProcessMessages();
  saved_cursor_ = Screen->Cursor;
  cursor_saved_ = true;
  Screen->Cursor = crHourGlass;
  if (!IsTable(data_set_)) return false;
  table_ = static_cast<TTable*>(data_set_);
  return true;
}

bool ExclusiveUse::SwitchAndOpen() {
  was_exclusive_ = table_->FExclusive;
  was_active_ = table_->FActive;
  if (!was_exclusive_) {
    if (was_active_) table_->Close();
    table_->Exclusive = true;
  }
  switched_ = true;
  try {
    table_->Open();
  } catch (...) {
    switched_ = false;
    if (!was_exclusive_) table_->Exclusive = false;
    if (was_active_) table_->Open();
    return false;
  }
  return true;
}

void ExclusiveUse::Leave() {
  if (switched_) {
    switched_ = false;
    PutTableBack();
  }
  if (cursor_saved_) {
    cursor_saved_ = false;
    Screen->Cursor = saved_cursor_;
  }
}

void ExclusiveUse::PutTableBack() {
  if (!was_exclusive_) {
    table_->Close();
    table_->Exclusive = false;
  } else if (!was_active_) {
    table_->Close();
  }
  if (was_active_) table_->Open();
}

}  // namespace kx
