#include "analysis/LockTracker.h"

#include <algorithm>
#include <cmath>

#include "common/AtomicFile.h"
#include "common/TextNumbers.h"

namespace kelvor {

void LockTracker::levelChanged(std::uint32_t level, double time, std::uint32_t entry) {
  auto topLevel = [this] { return stack_.empty() ? 0u : stack_.back().level; };
  if (level == topLevel()) {
    // Covers an unlock while nothing is locked, and a repeated lock, which keeps the first
    // lock's time.
    return;
  }
  if (level > topLevel()) {
    stack_.push_back({level, time, entry});
    return;
  }
  while (level < topLevel()) {
    const LockState& top = stack_.back();
    addPeriod(top.level, top.since, time, entry);
    stack_.pop_back();
  }
  if (level > topLevel()) {
    stack_.push_back({level, time, entry});
  }
}

void LockTracker::resetLocks() {
  stack_.clear();
  periods_.clear();
  sorted_ = true;
}

void LockTracker::addPeriod(std::uint32_t level, double start, double end, std::uint32_t entry) {
  const double duration = end - start;
  // Written so that a NaN on either side also marks the list for sorting.
  if (sorted_ && !periods_.empty() && !(duration >= periods_.back().duration)) {
    sorted_ = false;
  }
  periods_.push_back({duration, level, start, end, entry});
}

const std::vector<LockPeriod>& LockTracker::periods() const {
  if (!sorted_) {
    // A NaN duration (from garbage times) sorts last so that the order stays a strict weak one.
    std::stable_sort(periods_.begin(), periods_.end(),
                     [](const LockPeriod& a, const LockPeriod& b) {
                       const bool aNan = std::isnan(a.duration);
                       const bool bNan = std::isnan(b.duration);
                       if (aNan || bNan) {
                         return !aNan && bNan;
                       }
                       return a.duration < b.duration;
                     });
    sorted_ = true;
  }
  return periods_;
}

bool LockTracker::writeLockFile(const std::string& path) const {
  AtomicFileWriter writer(path);
  if (!writer.isOpen()) {
    return false;
  }
  std::string line;
  for (const LockPeriod& period : periods()) {
    line.clear();
    appendGeneral(line, period.duration);
    line += '\t';
    line += std::to_string(period.level);
    line += '\t';
    line += std::to_string(period.entry);
    line += '\t';
    appendGeneral(line, period.start);
    line += '\t';
    appendGeneral(line, period.end);
    line += "\r\n";
    writer.write(line);
  }
  return writer.commit();
}

}  // namespace kelvor
