#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvor {

// A lock level in force, on the tracker's stack.
struct LockState {
  std::uint32_t level = 0;
  double since = 0.0;       // seconds: when the level was entered
  std::uint32_t entry = 0;  // entry id of the activation that entered it
};

// A stretch during which interrupts were locked.
struct LockPeriod {
  double duration = 0.0;    // end - start, seconds
  std::uint32_t level = 0;  // the level that ended
  double start = 0.0;
  double end = 0.0;
  std::uint32_t entry = 0;  // entry id of the activation in which the level was lowered
};

// Turns the lock-level changes met during an analysis into lock periods, kept in ascending order
// of duration; periods of equal duration keep the order in which they ended.
class LockTracker {
 public:
  // A lock-level change (the event's lock bits, already masked) at time t inside the innermost
  // open activation of entry e.
  void levelChanged(std::uint32_t level, double time, std::uint32_t entry);
  // Empties the stack and the period list.
  void resetLocks();

  // The periods, shortest first. Sorting happens here, once, rather than on every insertion,
  // because analyses run far more often than anyone reads the list.
  const std::vector<LockPeriod>& periods() const;

  // Writes one CR LF terminated line per period: duration, level, entry, start, end, separated
  // by tabs, doubles in six significant digits. The file is replaced only when complete.
  // Returns false when it could not be written.
  bool writeLockFile(const std::string& path) const;

 private:
  void addPeriod(std::uint32_t level, double start, double end, std::uint32_t entry);

  std::vector<LockState> stack_;
  mutable std::vector<LockPeriod> periods_;
  mutable bool sorted_ = true;
};

}  // namespace kelvor
