#include "timestep/TimeStepSegments.h"

#include <algorithm>
#include <numeric>

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
  for (std::size_t i = last; i > at; --i) {
    from_[i] = from_[i - 1];
    to_[i] = to_[i - 1];
    state_[i] = state_[i - 1];
  }
  from_[at] = from;
  to_[at] = to;
  state_[at] = state;
}

void EntrySegments::finish() {
  if (!unsorted_) {
    return;
  }
  unsorted_ = false;
  std::vector<std::size_t> order(from_.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [this](std::size_t a, std::size_t b) { return from_[a] < from_[b]; });
  std::vector<double> from(order.size());
  std::vector<double> to(order.size());
  std::vector<SegmentState> state(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    from[i] = from_[order[i]];
    to[i] = to_[order[i]];
    state[i] = state_[order[i]];
  }
  from_.swap(from);
  to_.swap(to);
  state_.swap(state);
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
