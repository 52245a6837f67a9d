// ProgressRegistrations.
#include "progress/progress_registrations.h"

#include "progress/tkx_progress.h"

namespace kx {

ProgressRegistrations::ProgressRegistrations(TkxProgress& window) {
  progress_.emplace(nullptr, nullptr, cbGENPROGRESS, &progress_buffer_,
                    static_cast<std::uint16_t>(sizeof progress_buffer_),
                    [&window](void* info) { return window.GenProgressCallback(info); }, true);
  restructure_.emplace(nullptr, nullptr, cbRESTRUCTURE, &restructure_buffer_,
                       static_cast<std::uint16_t>(sizeof restructure_buffer_),
                       [&window](void* info) { return window.RestructureCallback(info); }, true);
}

void ProgressRegistrations::End() {
  progress_.reset();
  restructure_.reset();
}

}  // namespace kx
