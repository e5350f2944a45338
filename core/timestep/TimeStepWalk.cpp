#include "timestep/TimeStepWalk.h"

#include "timestep/ClockScale.h"

#include <algorithm>
#include <ostream>
#include <unordered_map>
#include <vector>

namespace kelvor {

namespace {

constexpr const char* HighInterruptText = "Just a pity, Cep-id for interrupt too high\n";

// Entry ids up to this bound find their row through a flat table; others through a hash map.
constexpr std::uint32_t DenseEntryLimit = HighestRegularInterruptId + 1;
constexpr std::uint32_t NoIndex = 0xFFFFFFFFu;

// One open activation of the walk.
struct Frame {
  std::uint32_t row;    // index into the walk's rows
  double segmentStart;  // start of the current stretch
  double userStart;     // time of the first enter of the open user section, 0 when none
  std::uint32_t depth;  // user-section nesting inside this activation
};

// The walk's working state: rows by entry, the accumulators and the result under construction.
class Walker {
 public:
  Walker(StatisticsEngine& engine, std::ostream* console)
      : engine_(engine), console_(console), dense_(DenseEntryLimit, NoIndex) {}

  TimeStepResult run(double clockStartMhz);

 private:
  std::uint32_t rowOf(std::uint32_t entry);
  void checkHighId(std::uint32_t entry) {
    if (entry > HighestRegularInterruptId && console_ != nullptr) {
      *console_ << HighInterruptText;
    }
  }
  void segment(std::uint32_t row, double from, double to, SegmentState state) {
    result_.rows[row].add(from, to, state);
  }
  // One piece of user-marked run time: from the later of the section's start and the current
  // stretch's start, to the exit (`closes`, which ends the section) or to `now`.
  void userSection(double userStart, bool closes, double now, double segmentStart,
                   std::uint32_t entry, ProcessStats* record) {
    const double from = userStart > segmentStart ? userStart : segmentStart;
    if (closes && record != nullptr) {
      record->userActive = 0;
    }
    result_.userSectionTime += now - from;
    result_.userSections.push_back({entry, from, now});
  }
  void topLevel(const TraceEvent& event);
  void nested(const TraceEvent& event);

  StatisticsEngine& engine_;
  std::ostream* console_;
  std::vector<std::uint32_t> dense_;
  std::unordered_map<std::uint32_t, std::uint32_t> sparse_;
  std::vector<ProcessStats*> records_;  // by row; std::map nodes never move
  std::vector<Frame> stack_;
  TimeStepResult result_;

  // Top-level variables.
  double firstTime_ = 0.0;
  std::uint32_t userDepth_ = 0;
  double userStart_ = 0.0;
  bool haveLastId_ = false;
  std::uint32_t lastId_ = 0;
};

std::uint32_t Walker::rowOf(std::uint32_t entry) {
  std::uint32_t* slot = nullptr;
  if (entry < DenseEntryLimit) {
    slot = &dense_[entry];
  } else {
    slot = &sparse_.try_emplace(entry, NoIndex).first->second;
  }
  if (*slot == NoIndex) {
    *slot = static_cast<std::uint32_t>(result_.rows.size());
    result_.rows.emplace_back(entry);
    records_.push_back(&engine_.statsFor(entry));
  }
  return *slot;
}

void Walker::topLevel(const TraceEvent& event) {
  switch (event.kind) {
    case EventKind::START_PROC:
    case EventKind::START_IRQ: {
      const std::uint32_t entry = entryId(event);
      checkHighId(entry);
      lastId_ = entry;
      haveLastId_ = true;
      stack_.push_back({rowOf(entry), event.time, 0.0, 0});
      break;
    }
    case EventKind::END_PROC:
    case EventKind::END_IRQ: {
      const std::uint32_t entry = entryId(event);
      checkHighId(entry);
      lastId_ = entry;
      haveLastId_ = true;
      const std::uint32_t row = rowOf(entry);
      if (event.time != firstTime_) {
        segment(row, firstTime_, event.time, SegmentState::Undefined);
      }
      if (records_[row]->userActive != 0) {
        userSection(userStart_, false, event.time, firstTime_, entry, records_[row]);
      }
      break;
    }
    case EventKind::CLK_SPEED:
      result_.topLevelClock.push_back({event.time, event.clock});
      break;
    case EventKind::USER_ENTER:
      if (++userDepth_ == 1) {
        userStart_ = event.time;
      }
      break;
    case EventKind::USER_EXIT: {
      const std::uint32_t before = userDepth_;
      if (userDepth_ > 0) {
        --userDepth_;
      }
      if (before <= 1) {
        // Before any entry was met the piece is charged to entry 0 without touching a record.
        ProcessStats* record = haveLastId_ ? records_[rowOf(lastId_)] : nullptr;
        userSection(userStart_, true, event.time, firstTime_, lastId_, record);
        userStart_ = 0.0;
      }
      break;
    }
    default:
      break;
  }
}

void Walker::nested(const TraceEvent& event) {
  Frame& frame = stack_.back();
  ProcessStats* record = records_[frame.row];
  switch (event.kind) {
    case EventKind::START_PROC:
    case EventKind::START_IRQ: {
      segment(frame.row, frame.segmentStart, event.time, SegmentState::Running);
      if (record->userActive != 0) {
        userSection(frame.userStart, false, event.time, frame.segmentStart,
                    result_.rows[frame.row].entry(), record);
      }
      frame.segmentStart = event.time;
      const std::uint32_t entry = entryId(event);
      checkHighId(entry);
      const std::uint32_t row = rowOf(entry);
      stack_.push_back({row, event.time, 0.0, 0});
      break;
    }
    case EventKind::END_PROC:
    case EventKind::END_IRQ: {
      const std::uint32_t entry = result_.rows[frame.row].entry();
      if (entryId(event) != entry) {
        break;  // an end that matches no activation open here does not end this one
      }
      segment(frame.row, frame.segmentStart, event.time, SegmentState::Running);
      if (record->userActive != 0) {
        userSection(frame.userStart, false, event.time, frame.segmentStart, entry, record);
      }
      stack_.pop_back();
      if (!stack_.empty()) {
        Frame& outer = stack_.back();
        segment(outer.row, outer.segmentStart, event.time, SegmentState::Interrupted);
        outer.segmentStart = event.time;
      }
      break;
    }
    case EventKind::CLK_SPEED:
      result_.clockCurve.push_back({event.time, event.clock});
      break;
    case EventKind::USER_ENTER:
      record->userActive = 1;
      if (++frame.depth == 1) {
        frame.userStart = event.time;
      }
      break;
    case EventKind::USER_EXIT: {
      const std::uint32_t before = frame.depth;
      if (frame.depth > 0) {
        --frame.depth;
      }
      if (before <= 1) {
        userSection(frame.userStart, true, event.time, frame.segmentStart,
                    result_.rows[frame.row].entry(), record);
        frame.userStart = 0.0;
      }
      break;
    }
    default:
      break;
  }
}

TimeStepResult Walker::run(double clockStartMhz) {
  const EventStream& stream = engine_.stream();
  // Sections start closed on every walk, so that repeated walks over the same stream give the
  // same figures instead of inheriting a section left open by the previous one.
  for (const auto& [id, stats] : engine_.statistics()) {
    if (stats.userActive != 0) {
      engine_.statsFor(id).userActive = 0;
    }
  }
  result_.clockCurve.push_back({0.0, clockStartMhz});
  result_.topLevelClock.push_back({0.0, static_cast<double>(ClockScale::TopLevel)});
  if (stream.empty()) {
    return std::move(result_);
  }
  firstTime_ = stream.firstTime();
  const double lastTime = stream.lastTime();

  for (const TraceEvent& event : stream) {
    if (event.kind == EventKind::USER_MARK) {
      result_.userMarks.push_back({event.time, eventKey(event) - UserMarkIdBase});
    }
    if (stack_.empty()) {
      topLevel(event);
    } else {
      nested(event);
    }
  }
  // The trace ended inside activations: each open one shows its last stretch as interrupted.
  while (!stack_.empty()) {
    const Frame& frame = stack_.back();
    segment(frame.row, frame.segmentStart, lastTime, SegmentState::Interrupted);
    stack_.pop_back();
  }

  if (result_.userSectionTime != 0.0 && lastTime - firstTime_ != 0.0) {
    result_.userSectionPercent = result_.userSectionTime / (lastTime - firstTime_) * 100.0;
  }
  result_.clockCurve.push_back({lastTime, result_.clockCurve.back().mhz});

  for (EntrySegments& row : result_.rows) {
    row.sortByStart();
    row.shrink();
  }
  std::sort(result_.rows.begin(), result_.rows.end(),
            [](const EntrySegments& a, const EntrySegments& b) { return a.entry() < b.entry(); });
  return std::move(result_);
}

}  // namespace

std::uint32_t numberVisibleRows(StatisticsEngine& engine) {
  std::uint32_t rows = 0;
  for (const auto& [id, stats] : engine.statistics()) {
    if (stats.visible != 0) {
      engine.statsFor(id).row = rows++;
    }
  }
  return rows;
}

TimeStepResult TimeStepWalk::run(double clockStartMhz) {
  Walker walker(engine_, console_);
  return walker.run(clockStartMhz);
}

}  // namespace kelvor
