// ProgressMeter: turns "i of n done" into the sink's Percent calls, one per
// whole percent at most, so a sink is called about 100 times per phase
// however large the table. A null sink is allowed.
#pragma once

#include <cstdint>
#include <string>

#include "storage/api/table_api.h"

namespace kx::storage {

class ProgressMeter {
 public:
  explicit ProgressMeter(ProgressSink* sink) : sink_(sink) {}

  void Start(const std::string& phase, std::uint64_t total);
  // Cheap when the percent has not moved.
  void Advance(std::uint64_t done) {
    if (sink_ != nullptr && done >= next_report_) Report(done);
  }
  void Finish();
  void Message(const std::string& text);

 private:
  void Report(std::uint64_t done);

  ProgressSink* sink_;
  std::uint64_t total_ = 0;
  std::uint64_t next_report_ = 0;
  int last_percent_ = 0;
};

}  // namespace kx::storage
