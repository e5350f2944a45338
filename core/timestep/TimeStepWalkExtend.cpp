// The end of a walk as the result shows it, and the extension of a walk over appended events:
// the closed view of the open activations is taken back out, the new events are walked, and the
// closed view is made again.

#include <algorithm>
#include <cmath>

#include "timestep/TimeStepWalk.h"

namespace kelvor {

// What the end of the stream adds to the walk, without ending the open activations: the
// stretches up to the last event, the user share and the clock held up to the last event.
void TimeStepWalk::closeOpenActivations(double lastTime) {
  // The trace ended inside activations: each open one shows its last stretch as interrupted,
  // innermost first.
  for (auto frame = stack_.rbegin(); frame != stack_.rend(); ++frame) {
    result_.rows[frame->row].add(frame->segmentStart, lastTime, SegmentState::Interrupted);
  }
  result_.openEndRun.reset();
  if (!stack_.empty()) {
    const Frame& innermost = stack_.back();
    result_.openEndRun =
        OpenEndRun{result_.rows[innermost.row].entry(), innermost.segmentStart, lastTime};
  }
  result_.userSectionPercent = 0.0;
  if (result_.userSectionTime != 0.0 && lastTime - firstTime_ != 0.0) {
    result_.userSectionPercent = result_.userSectionTime / (lastTime - firstTime_) * 100.0;
  }
  result_.clockCurve.push_back({lastTime, result_.clockCurve.back().mhz});
}

// Undoes closeOpenActivations: outermost first, so that each closing stretch is the one added
// last among the stretches of its row that begin with it. False when one is missing, which only
// a row out of start order could cause.
bool TimeStepWalk::withdrawClosing() {
  result_.clockCurve.pop_back();
  for (const Frame& frame : stack_) {
    if (!result_.rows[frame.row].withdraw(frame.segmentStart)) {
      return false;
    }
  }
  return true;
}

// The rows from `knownRows` on were created by this extension, after the rows in ascending
// entry id: they are merged into that order, and the row lookup, the flags and the open
// activations follow.
void TimeStepWalk::sortNewRows(std::size_t knownRows) {
  std::vector<EntrySegments>& rows = result_.rows;
  auto byEntry = [&](std::uint32_t a, std::uint32_t b) {
    return rows[a].entry() < rows[b].entry();
  };
  std::vector<std::uint32_t> order(rows.size());
  for (std::uint32_t row = 0; row < order.size(); ++row) {
    order[row] = row;
  }
  const auto known = order.begin() + static_cast<std::ptrdiff_t>(knownRows);
  std::sort(known, order.end(), byEntry);
  std::inplace_merge(order.begin(), known, order.end(), byEntry);

  std::vector<EntrySegments> sorted;
  sorted.reserve(rows.size());
  std::vector<std::uint8_t> active;
  active.reserve(rows.size());
  std::vector<std::uint32_t> moved(rows.size(), NoIndex);
  for (std::uint32_t row : order) {
    moved[row] = static_cast<std::uint32_t>(sorted.size());
    sorted.push_back(std::move(rows[row]));
    active.push_back(active_[row]);
    slotOf(sorted.back().entry()) = moved[row];
  }
  for (Frame& frame : stack_) {
    frame.row = moved[frame.row];
  }
  rows.swap(sorted);
  active_.swap(active);
  met_.assign(rows.size(), 0);
}

// The records take the flags the walk keeps; an analysis since the last walk may have reset them.
void TimeStepWalk::publishFlags() {
  for (std::size_t row = 0; row < result_.rows.size(); ++row) {
    engine_.statsFor(result_.rows[row].entry()).userActive = active_[row];
  }
}

void TimeStepWalk::presentExtension(double lastTime, std::size_t knownRows) {
  closeOpenActivations(lastTime);
  if (result_.rows.size() > knownRows) {
    sortNewRows(knownRows);
  }
  for (EntrySegments& row : result_.rows) {
    row.finish();
  }
  publishFlags();
}

const TimeStepResult& TimeStepWalk::extend(double clockStartMhz) {
  const EventStream& stream = engine_.stream();
  if (walkCount_ == 0 || walked_ == 0 || timesBroken_ || !(clockStartMhz == clockStart_) ||
      stream.size() < walked_ || !(stream.firstTime() == firstTime_)) {
    return run(clockStartMhz);
  }
  if (stream.size() == walked_) {
    publishFlags();
    return result_;
  }
  const EventCursor last = stream.cursorAt(stream.size());
  for (EventCursor event = stream.cursorAt(walked_); event != last; ++event) {
    if (std::isnan(event.time())) {
      return run(clockStartMhz);
    }
  }
  if (!withdrawClosing()) {
    return run(clockStartMhz);
  }
  const std::size_t knownRows = result_.rows.size();
  walkEvents(stream, walked_);
  presentExtension(stream.lastTime(), knownRows);
  walked_ = stream.size();
  return result_;
}

}  // namespace kelvor
