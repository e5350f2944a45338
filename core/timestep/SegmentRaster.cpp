// The index of a whole walk result: its rows indexed, on several threads for a long trace, and
// what it holds looked up and counted.

#include "timestep/SegmentRaster.h"

#include <algorithm>
#include <atomic>
#include <numeric>
#include <thread>
#include <vector>

#include "timestep/TimeStepWalk.h"

namespace kelvor {

namespace {

// A walk result with this many stretches has its rows indexed on several threads; smaller ones
// take less time than starting a thread.
constexpr std::size_t ParallelIndexStretches = 200'000;
constexpr unsigned MaxIndexThreads = 4;

}  // namespace

TimeStepRaster::TimeStepRaster(const TimeStepResult& result) : result_(&result) {
  // The rows are indexed independently of each other: on a long trace the other cores take
  // rows while this thread indexes the user run-time row, the marks and the clock lines, and
  // then joins them.
  rows_.resize(result.rows.size());
  std::atomic<std::size_t> next{0};
  const auto indexRows = [&] {
    for (std::size_t i = next++; i < rows_.size(); i = next++) {
      rows_[i] = RowRaster(result.rows[i]);
    }
  };
  std::vector<std::thread> helpers;
  if (result.segmentCount() >= ParallelIndexStretches) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 1; i < std::min(cores, MaxIndexThreads); ++i) {
      helpers.emplace_back(indexRows);
    }
  }

  // The user run-time row reads the walk's pieces, through a start order of its own when they
  // are not in start order already (a section closed at the top level starts early).
  const std::vector<UserSectionPiece>& pieces = result.userSections;
  auto byStart = [](const UserSectionPiece& a, const UserSectionPiece& b) {
    return a.from < b.from;
  };
  if (std::is_sorted(pieces.begin(), pieces.end(), byStart)) {
    userSections_ = RowRaster(pieces, nullptr);
  } else {
    userSectionOrder_.resize(pieces.size());
    std::iota(userSectionOrder_.begin(), userSectionOrder_.end(), std::uint32_t{0});
    std::stable_sort(
        userSectionOrder_.begin(), userSectionOrder_.end(),
        [&](std::uint32_t a, std::uint32_t b) { return pieces[a].from < pieces[b].from; });
    userSections_ = RowRaster(pieces, userSectionOrder_.data());
  }

  // The marks and the clock lines come in time order from the walk; a copy is kept only when not.
  auto byTime = [](const UserMarkPosition& a, const UserMarkPosition& b) {
    return a.time < b.time;
  };
  if (!std::is_sorted(result.userMarks.begin(), result.userMarks.end(), byTime)) {
    marks_ = result.userMarks;
    std::stable_sort(marks_.begin(), marks_.end(), byTime);
  }
  curveIndex_ = indexClock(result.clockCurve);
  topLevelIndex_ = indexClock(result.topLevelClock);

  indexRows();
  for (std::thread& helper : helpers) {
    helper.join();
  }
  remember(result);
}

TimeStepRaster::TimeStepRaster(const TimeStepWalk& walk) : TimeStepRaster(walk.result()) {
  walkCount_ = walk.walkCount();
}

const RowRaster* TimeStepRaster::row(std::uint32_t entry) const {
  if (result_ == nullptr) {
    return nullptr;
  }
  const EntrySegments* segments = result_->find(entry);
  if (segments == nullptr || segments->empty()) {
    return nullptr;
  }
  return &rows_[static_cast<std::size_t>(segments - result_->rows.data())];
}

std::size_t TimeStepRaster::storageBytes() const {
  std::size_t bytes = rows_.capacity() * sizeof(RowRaster) + userSections_.storageBytes() +
                      marks_.capacity() * sizeof(UserMarkPosition) + curveIndex_.bytes() +
                      topLevelIndex_.bytes();
  for (const RowRaster& row : rows_) {
    bytes += row.storageBytes();
  }
  bytes += (userSectionOrder_.capacity() + rowEntries_.capacity()) * sizeof(std::uint32_t);
  return bytes;
}

}  // namespace kelvor
