#include "common/ProgressSink.h"

#include <cmath>
#include <limits>

namespace kelvor {

void ProgressReporter::start(ProgressSink* sink) {
  close();
  sink_ = sink;
  posted_ = LoadProgress{};
  restartClock();
  if (sink_ != nullptr) {
    sink_->progressStart();
  }
}

void ProgressReporter::update(std::uint64_t done, std::uint64_t total) {
  if (sink_ == nullptr || total == 0 || done == 0) {
    return;
  }
  const std::uint64_t percent = percentOf(done, total);
  if (percent <= posted_.percent) {
    return;
  }
  const auto elapsed = std::chrono::steady_clock::now() - start_;
  const double consumed =
      static_cast<double>(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count());
  const double estimated = static_cast<double>(total) * consumed / static_cast<double>(done);
  posted_.estimated = std::trunc(estimated);
  posted_.remaining = std::trunc(estimated - consumed);
  posted_.consumed = consumed;
  posted_.percent = static_cast<std::uint32_t>(percent);
  sink_->progressUpdate(posted_);
}

std::uint64_t ProgressReporter::percentOf(std::uint64_t done, std::uint64_t total) {
  // Wide enough for any file size: done x 100 only where it cannot overflow.
  const std::uint64_t percent = done <= std::numeric_limits<std::uint64_t>::max() / 100
                                    ? done * 100 / total
                                    : done / (total / 100);
  return percent < 100 ? percent : 100;
}

void ProgressReporter::close() {
  if (sink_ != nullptr) {
    sink_->progressClose();
    sink_ = nullptr;
  }
}

}  // namespace kelvor
