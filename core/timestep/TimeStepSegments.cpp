#include "timestep/TimeStepSegments.h"

#include <algorithm>

namespace kelvor {

namespace {
// Farthest a new stretch is moved back in place; beyond it the row is sorted once at the end.
constexpr std::size_t LongestMoveBack = 16;
}  // namespace

void EntrySegments::moveBack() {
  const std::size_t last = from_.size() - 1;
  const double from = from_[last];
  std::size_t at = last;
  while (at > 0 && from_[at - 1] > from && last - at < LongestMoveBack) {
    --at;
  }
  if (at > 0 && from_[at - 1] > from) {
    unsorted_ = true;
    return;
  }
  const double to = to_[last];
  const SegmentState state = state_[last];
  settled_ = std::min(settled_, at);
  for (std::size_t i = last; i > at; --i) {
    from_[i] = from_[i - 1];
    to_[i] = to_[i - 1];
    state_[i] = state_[i - 1];
  }
  from_[at] = from;
  to_[at] = to;
  state_[at] = state;
}

// The row is nearly in start order: only the stretches moveBack left behind are out of place.
// They are taken out (the rest closes up in place and stays in order), sorted, and merged back
// from the end; a tie goes by the order in which the two were added, which is what a stable
// sort of the whole row would give.
void EntrySegments::finish() {
  if (!unsorted_) {
    return;
  }
  unsorted_ = false;
  struct Aside {
    double from;
    double to;
    SegmentState state;
    std::size_t keptBefore;  // stretches kept in place that were added before this one
  };
  std::vector<Aside> aside;
  const std::size_t count = from_.size();
  std::size_t kept = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (kept == 0 || !(from_[i] < from_[kept - 1])) {
      from_[kept] = from_[i];
      to_[kept] = to_[i];
      state_[kept] = state_[i];
      ++kept;
    } else {
      aside.push_back({from_[i], to_[i], state_[i], kept});
    }
  }
  std::stable_sort(aside.begin(), aside.end(),
                   [](const Aside& a, const Aside& b) { return a.from < b.from; });
  std::size_t write = count;
  std::size_t fromKept = kept;
  std::size_t fromAside = aside.size();
  while (fromAside > 0) {
    const Aside& next = aside[fromAside - 1];
    --write;
    const std::size_t last = fromKept - 1;
    if (fromKept > 0 &&
        (next.from < from_[last] || (!(from_[last] < next.from) && last >= next.keptBefore))) {
      from_[write] = from_[last];
      to_[write] = to_[last];
      state_[write] = state_[last];
      --fromKept;
    } else {
      from_[write] = next.from;
      to_[write] = next.to;
      state_[write] = next.state;
      --fromAside;
    }
  }
  // The first stretch put aside lands lowest; everything before it stayed in place.
  settled_ = std::min(settled_, write);
}

bool EntrySegments::withdraw(double from) {
  const auto group = std::upper_bound(from_.begin(), from_.end(), from);
  if (group == from_.begin() || !(*(group - 1) == from)) {
    return false;
  }
  const auto at = static_cast<std::size_t>(group - from_.begin()) - 1;
  from_.erase(from_.begin() + static_cast<std::ptrdiff_t>(at));
  to_.erase(to_.begin() + static_cast<std::ptrdiff_t>(at));
  state_.erase(state_.begin() + static_cast<std::ptrdiff_t>(at));
  settled_ = std::min(settled_, at);
  return true;
}

std::size_t EntrySegments::storageBytes() const {
  return from_.capacity() * sizeof(double) + to_.capacity() * sizeof(double) +
         state_.capacity() * sizeof(SegmentState);
}

const EntrySegments* TimeStepResult::find(std::uint32_t entry) const {
  auto it =
      std::lower_bound(rows.begin(), rows.end(), entry,
                       [](const EntrySegments& row, std::uint32_t id) { return row.entry() < id; });
  return it != rows.end() && it->entry() == entry ? &*it : nullptr;
}

std::size_t TimeStepResult::segmentStorageBytes() const {
  std::size_t bytes = 0;
  for (const EntrySegments& row : rows) {
    bytes += row.storageBytes();
  }
  return bytes;
}

std::size_t TimeStepResult::segmentCount() const {
  std::size_t count = 0;
  for (const EntrySegments& row : rows) {
    count += row.size();
  }
  return count;
}

}  // namespace kelvor
