// ProgressMeter: see progress_meter.h.
#include "storage/core/progress_meter.h"

namespace kx::storage {

void ProgressMeter::Start(const std::string& phase, std::uint64_t total) {
  total_ = total;
  last_percent_ = 0;
  next_report_ = total == 0 ? ~std::uint64_t{0} : (total + 99) / 100;
  if (sink_ != nullptr) sink_->PhaseStart(phase);
}

void ProgressMeter::Report(std::uint64_t done) {
  int percent = static_cast<int>(done * 100 / total_);
  if (percent > 100) percent = 100;
  if (percent > last_percent_) {
    last_percent_ = percent;
    sink_->Percent(percent);
  }
  // Next whole percent: the smallest count whose percent exceeds this one.
  next_report_ = (static_cast<std::uint64_t>(last_percent_ + 1) * total_ + 99) / 100;
}

void ProgressMeter::Finish() {
  if (sink_ != nullptr && last_percent_ < 100) {
    last_percent_ = 100;
    sink_->Percent(100);
  }
}

void ProgressMeter::Message(const std::string& text) {
  if (sink_ != nullptr) sink_->Message(text);
}

}  // namespace kx::storage
