#pragma once

#include <chrono>
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

// Turns a reader's position into the posts a ProgressSink receives: starts the sink, posts an
// update only when the whole percentage of done/total has grown (with the consumed, estimated
// and remaining whole seconds), and closes the sink exactly once, at the latest when destroyed.
// A null sink makes every call a no-op.
class ProgressReporter {
 public:
  ProgressReporter() = default;
  explicit ProgressReporter(ProgressSink* sink) { start(sink); }
  ~ProgressReporter() { close(); }
  ProgressReporter(const ProgressReporter&) = delete;
  ProgressReporter& operator=(const ProgressReporter&) = delete;

  void start(ProgressSink* sink);
  // Times are counted from here on (from start() until it is called).
  void restartClock() { start_ = std::chrono::steady_clock::now(); }
  void update(std::uint64_t done, std::uint64_t total);
  // The whole percentage update() posts for done of total (at most 100); total must not be 0.
  static std::uint64_t percentOf(std::uint64_t done, std::uint64_t total);
  void close();

 private:
  ProgressSink* sink_ = nullptr;
  LoadProgress posted_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace kelvor
