// The two progress registrations of a run, with the buffers the engine
// writes its notifications into.
//
// Created: the generic-progress handler is registered, then the restructure
// handler, both chained to whatever was registered before. End (or the
// destructor, when an error leaves the run) removes the generic-progress
// registration, then the restructure registration.
#pragma once

#include <optional>

#include "engine/dbi_types.h"
#include "platform/bde_callback.h"

namespace kx {

class TkxProgress;

class ProgressRegistrations {
 public:
  explicit ProgressRegistrations(TkxProgress& window);
  ~ProgressRegistrations() { End(); }
  ProgressRegistrations(const ProgressRegistrations&) = delete;
  ProgressRegistrations& operator=(const ProgressRegistrations&) = delete;

  void End();

 private:
  CBPROGRESSDesc progress_buffer_{};  // 130 bytes
  RESTCbDesc restructure_buffer_{};   // 1229 bytes
  std::optional<TBDECallback> restructure_;
  std::optional<TBDECallback> progress_;
};

}  // namespace kx
