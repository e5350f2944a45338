#include "timestep/TimeStepWalk.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "timestep/ClockScale.h"

namespace kelvor {

namespace {

constexpr const char* HighInterruptText = "Just a pity, Cep-id for interrupt too high\n";

// Entry ids below this bound find their row through a flat table; others through a hash map.
constexpr std::uint32_t DenseEntryLimit = HighestRegularInterruptId + 1;

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

TimeStepWalk::TimeStepWalk(StatisticsEngine& engine, std::ostream* console)
    : engine_(engine), console_(console), dense_(DenseEntryLimit, NoIndex) {}

std::uint32_t& TimeStepWalk::slotOf(std::uint32_t entry) {
  return entry < DenseEntryLimit ? dense_[entry]
                                 : sparse_.try_emplace(entry, NoIndex).first->second;
}

std::uint32_t TimeStepWalk::slotRow(std::uint32_t entry) {
  std::uint32_t& slot = slotOf(entry);
  if (slot == NoIndex) {
    slot = static_cast<std::uint32_t>(result_.rows.size());
    result_.rows.emplace_back(entry);
    active_.push_back(0);
    met_.push_back(0);
  }
  return slot;
}

std::uint32_t TimeStepWalk::rowOf(std::uint32_t entry) {
  const std::uint32_t slot = slotRow(entry);
  met_[slot] = 1;
  return slot;
}

// Follows the walk's nesting and user-section rules without times or records, counting what each
// array will receive, and reserves that much. Only a hint: when it is off, the arrays grow.
void TimeStepWalk::reserveStorage(const EventStream& stream) {
  struct Open {
    std::uint32_t row;
    std::uint32_t entry;
    std::uint32_t depth;  // user-section nesting inside this activation
  };
  std::vector<Open> open;
  std::vector<std::size_t> stretches(result_.rows.size(), 0);
  std::vector<std::uint8_t> active(result_.rows.size(), 0);  // the entry's user flag
  auto row = [&](std::uint32_t entry) {
    if (entry < DenseEntryLimit && dense_[entry] < stretches.size()) {
      return dense_[entry];
    }
    const std::uint32_t index = slotRow(entry);
    if (index >= stretches.size()) {
      stretches.resize(index + 1, 0);
      active.resize(index + 1, 0);
    }
    return index;
  };
  std::size_t pieces = 0;
  std::size_t marks = 0;
  std::size_t nestedClock = 0;
  std::size_t topClock = 0;
  std::uint32_t userDepth = 0;
  bool haveLast = false;
  std::uint32_t lastRow = 0;
  const double firstTime = stream.firstTime();

  // Kinds come in no order a branch predictor could learn, so starts and ends are told apart
  // from the rest with one test, and marks and clock changes are counted without a branch.
  const EventCursor end = stream.cursorAt(stream.size());
  for (EventCursor event = stream.cursorAt(0); event != end; ++event) {
    event.prefetchAhead();
    const EventKind kind = event.kind();
    if (kind >= EventKind::START_PROC && kind <= EventKind::END_IRQ) {
      const std::uint32_t entry =
          kind >= EventKind::START_IRQ ? InterruptIdBase + event.number() : event.id();
      const bool start = kind == EventKind::START_PROC || kind == EventKind::START_IRQ;
      if (start) {
        const std::uint32_t started = row(entry);
        if (open.empty()) {
          haveLast = true;
          lastRow = started;
        } else {
          const std::uint32_t top = open.back().row;
          ++stretches[top];
          pieces += active[top];
        }
        open.push_back({started, entry, 0});
      } else if (open.empty()) {
        const std::uint32_t ended = row(entry);
        haveLast = true;
        lastRow = ended;
        stretches[ended] += event.time() != firstTime ? 1 : 0;
        pieces += active[ended];
      } else if (open.back().entry == entry) {
        const std::uint32_t top = open.back().row;
        ++stretches[top];
        pieces += active[top];
        open.pop_back();
        if (!open.empty()) {
          ++stretches[open.back().row];
        }
      }
    } else if (kind == EventKind::USER_ENTER) {
      if (open.empty()) {
        ++userDepth;
      } else {
        active[open.back().row] = 1;
        ++open.back().depth;
      }
    } else if (kind == EventKind::USER_EXIT) {
      std::uint32_t& depth = open.empty() ? userDepth : open.back().depth;
      const std::uint32_t before = depth;
      if (depth > 0) {
        --depth;
      }
      if (before <= 1) {
        ++pieces;
        if (!open.empty()) {
          active[open.back().row] = 0;
        } else if (haveLast) {
          active[lastRow] = 0;
        }
      }
    } else {
      marks += kind == EventKind::USER_MARK ? 1 : 0;
      const std::size_t clock = kind == EventKind::CLK_SPEED ? 1 : 0;
      (open.empty() ? topClock : nestedClock) += clock;
    }
  }
  for (const Open& frame : open) {
    ++stretches[frame.row];
  }
  for (std::size_t index = 0; index < stretches.size(); ++index) {
    result_.rows[index].reserve(stretches[index]);
  }
  result_.userSections.reserve(pieces);
  result_.userMarks.reserve(marks);
  result_.clockCurve.reserve(nestedClock + 2);  // the start value and the held last value
  result_.topLevelClock.reserve(topClock + 1);  // the chart top at time 0
}

void TimeStepWalk::checkHighId(std::uint32_t entry) {
  if (entry > HighestRegularInterruptId && console_ != nullptr) {
    *console_ << HighInterruptText;
  }
}

// One piece of user-marked run time: from the later of the section's start and the current
// stretch's start, to `now`; `closes` (an exit) also ends the section and clears the user flag
// of `row` (none before any entry was met).
void TimeStepWalk::userSection(double userStart, bool closes, double now, double segmentStart,
                               std::uint32_t entry, std::uint32_t row) {
  const double from = userStart > segmentStart ? userStart : segmentStart;
  if (closes && row != NoIndex) {
    active_[row] = 0;
  }
  result_.userSectionTime += now - from;
  result_.userSections.push_back({entry, from, now});
}

void TimeStepWalk::userMark(const TraceEvent& event) {
  result_.userMarks.push_back({event.time, eventKey(event) - UserMarkIdBase});
}

void TimeStepWalk::topLevel(const TraceEvent& event) {
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
        result_.rows[row].add(firstTime_, event.time, SegmentState::Undefined);
      }
      if (active_[row] != 0) {
        userSection(userStart_, false, event.time, firstTime_, entry, row);
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
        // Before any entry was met the piece is charged to entry 0 without touching a flag.
        const std::uint32_t row = haveLastId_ ? rowOf(lastId_) : NoIndex;
        userSection(userStart_, true, event.time, firstTime_, lastId_, row);
        userStart_ = 0.0;
      }
      break;
    }
    case EventKind::USER_MARK:
      userMark(event);
      break;
    default:
      break;
  }
}

void TimeStepWalk::nested(const TraceEvent& event) {
  Frame& frame = stack_.back();
  const std::uint32_t top = frame.row;
  EntrySegments& segments = result_.rows[top];
  switch (event.kind) {
    case EventKind::START_PROC:
    case EventKind::START_IRQ: {
      segments.add(frame.segmentStart, event.time, SegmentState::Running);
      if (active_[top] != 0) {
        userSection(frame.userStart, false, event.time, frame.segmentStart, segments.entry(), top);
      }
      frame.segmentStart = event.time;
      const std::uint32_t entry = entryId(event);
      checkHighId(entry);
      // May move the rows and the flags; `segments` and `frame` are not used after.
      const std::uint32_t row = rowOf(entry);
      stack_.push_back({row, event.time, 0.0, 0});
      break;
    }
    case EventKind::END_PROC:
    case EventKind::END_IRQ: {
      const std::uint32_t entry = segments.entry();
      if (entryId(event) != entry) {
        break;  // an end that matches no activation open here does not end this one
      }
      segments.add(frame.segmentStart, event.time, SegmentState::Running);
      if (active_[top] != 0) {
        userSection(frame.userStart, false, event.time, frame.segmentStart, entry, top);
      }
      stack_.pop_back();
      if (!stack_.empty()) {
        Frame& outer = stack_.back();
        result_.rows[outer.row].add(outer.segmentStart, event.time, SegmentState::Interrupted);
        outer.segmentStart = event.time;
      }
      break;
    }
    case EventKind::CLK_SPEED:
      result_.clockCurve.push_back({event.time, event.clock});
      break;
    case EventKind::USER_ENTER:
      active_[top] = 1;
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
        userSection(frame.userStart, true, event.time, frame.segmentStart, segments.entry(), top);
        frame.userStart = 0.0;
      }
      break;
    }
    case EventKind::USER_MARK:
      userMark(event);
      break;
    default:
      break;
  }
}

void TimeStepWalk::walkEvents(const EventStream& stream, std::size_t from) {
  bool broken = false;
  const EventCursor last = stream.cursorAt(stream.size());
  for (EventCursor at = stream.cursorAt(from); at != last; ++at) {
    at.prefetchAhead();
    const TraceEvent event = *at;
    broken |= std::isnan(event.time);
    if (stack_.empty()) {
      topLevel(event);
    } else {
      nested(event);
    }
  }
  timesBroken_ = timesBroken_ || broken;
}

void TimeStepWalk::beginWalk(double clockStartMhz) {
  for (EntrySegments& row : result_.rows) {
    row.clear();
  }
  std::fill(met_.begin(), met_.end(), std::uint8_t{0});
  std::fill(active_.begin(), active_.end(), std::uint8_t{0});
  result_.userSections.clear();
  result_.userMarks.clear();
  result_.clockCurve.clear();
  result_.topLevelClock.clear();
  result_.userSectionTime = 0.0;
  result_.userSectionPercent = 0.0;
  stack_.clear();
  firstTime_ = 0.0;
  userDepth_ = 0;
  userStart_ = 0.0;
  haveLastId_ = false;
  lastId_ = 0;
  walked_ = 0;
  ++walkCount_;
  clockStart_ = clockStartMhz;
  timesBroken_ = false;

  // Sections start closed on every walk, so that repeated walks over the same stream give the
  // same figures instead of inheriting a section left open by the previous one.
  for (const auto& [id, stats] : engine_.statistics()) {
    if (stats.userActive != 0) {
      engine_.statsFor(id).userActive = 0;
    }
  }
  result_.clockCurve.push_back({0.0, clockStartMhz});
  result_.topLevelClock.push_back({0.0, static_cast<double>(ClockScale::TopLevel)});
}

// The activations still open stay on the stack, so that an extension can continue them; their
// closing stretches are taken back out by withdrawClosing().
void TimeStepWalk::finishWalk(double lastTime) {
  closeOpenActivations(lastTime);

  // Rows of entries this walk did not meet go; the others are put in ascending entry id and the
  // row lookup, the flags and the open activations follow them.
  std::vector<std::uint32_t> order;
  order.reserve(result_.rows.size());
  for (std::uint32_t row = 0; row < result_.rows.size(); ++row) {
    slotOf(result_.rows[row].entry()) = NoIndex;
    if (met_[row] != 0) {
      order.push_back(row);
    }
  }
  std::sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) {
    return result_.rows[a].entry() < result_.rows[b].entry();
  });
  std::vector<EntrySegments> rows;
  rows.reserve(order.size());
  std::vector<std::uint8_t> active;
  active.reserve(order.size());
  std::vector<std::uint32_t> moved(result_.rows.size(), NoIndex);
  for (std::uint32_t row : order) {
    moved[row] = static_cast<std::uint32_t>(rows.size());
    rows.push_back(std::move(result_.rows[row]));
    rows.back().finish();
    active.push_back(active_[row]);
    slotOf(rows.back().entry()) = moved[row];
  }
  for (Frame& frame : stack_) {
    frame.row = moved[frame.row];
  }
  result_.rows.swap(rows);
  active_.swap(active);
  met_.assign(result_.rows.size(), 0);
  publishFlags();
}

const TimeStepResult& TimeStepWalk::run(double clockStartMhz) {
  beginWalk(clockStartMhz);
  const EventStream& stream = engine_.stream();
  if (stream.empty()) {
    finishWalk(0.0);
    result_.clockCurve.pop_back();  // no last event to hold the clock up to
    return result_;
  }
  // A stream that grows a little between paints (events still arriving) is not counted again:
  // the arrays grow as usual for the few new stretches.
  const std::size_t slack = reservedFor_ / 8;
  if (reservedFor_ == 0 || stream.size() > reservedFor_ + slack ||
      stream.size() < reservedFor_ - slack) {
    reserveStorage(stream);
    reservedFor_ = stream.size();
  }
  firstTime_ = stream.firstTime();
  walkEvents(stream, 0);
  finishWalk(stream.lastTime());
  walked_ = stream.size();
  return result_;
}

}  // namespace kelvor
