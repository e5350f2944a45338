#include "timestep/TimeStepSegments.h"

#include <algorithm>
#include <numeric>

namespace kelvor {

void EntrySegments::sortByStart() {
  if (std::is_sorted(from_.begin(), from_.end())) {
    return;
  }
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
