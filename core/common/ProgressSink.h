#pragma once

#include <cstdint>

namespace kelvor {

// What a reader reports about a long load: whole seconds and the percentage last posted.
struct LoadProgress {
  double estimated = 0.0;  // estimated total load time (s)
  double remaining = 0.0;  // estimated - consumed (s)
  double consumed = 0.0;   // seconds since the reader began
  std::uint32_t percent = 0;
};

// Receives a reader's progress: the desktop forwards it to the progress window, the batch tool
// may draw a bar on a terminal, tests record it. Readers post an update only when the whole
// percentage has grown, and always close, also after an early end.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void progressStart() {}
  virtual void progressUpdate(const LoadProgress& progress) = 0;
  virtual void progressClose() = 0;
};

}  // namespace kelvor
