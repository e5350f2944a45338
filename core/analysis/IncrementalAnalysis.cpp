#include "analysis/IncrementalAnalysis.h"

#include <cmath>
#include <limits>
#include <optional>

#include "analysis/StatisticsEngine.h"
#include "settings/AnalysisSettings.h"

namespace kelvor {

// Charges finished activations to the running accumulators and passes everything else to the
// engine, as its own analysis does. The window end is the unclipped one: with events in time
// order no finished activation reaches past the last event, so clipping to it changes nothing.
struct IncrementalAnalysis::Host {
  IncrementalAnalysis& self;

  double charge(const ActivationFrame& f, double time, double clock) {
    ActivationCharge c;
    if (!clipActivation(f, time, clock, self.windowStart_, self.window_.end, c)) {
      return 0.0;
    }
    if (f.entry > HighestRegularInterruptId) {
      self.engine_.reportHighInterrupt();
    }
    addCharge(self.accumulator(f.entry), f, c);
    return c.gross;
  }
  void levelChanged(std::uint32_t level, double time, std::uint32_t entry) {
    self.engine_.locks_.levelChanged(level, time, entry);
  }
  void nestingReached() {
    if (!self.engine_.context_.nestingWarned) {
      self.engine_.warnAboutNesting();
    }
  }
  void wrongEnd(const char* line) { self.engine_.reportWrongEnd(line); }
};

IncrementalAnalysis::IncrementalAnalysis(StatisticsEngine& engine, TimeWindow window)
    : engine_(engine), window_(window) {
  reset();
}

void IncrementalAnalysis::reset() {
  startClock_ = engine_.currentClock();
  if (engine_.context_.settings != nullptr) {
    if (const std::optional<double> mhz = startClock(*engine_.context_.settings)) {
      startClock_ = *mhz;
    }
  }
  walk_.restart(startClock_);
  walked_ = 0;
  latestTime_ = -std::numeric_limits<double>::infinity();
  timesBroken_ = false;
  finished_.clear();
  index_.clear();
  engine_.locks_.resetLocks();
}

ProcessStats& IncrementalAnalysis::accumulator(std::uint32_t entryId) {
  if (index_.covers(entryId)) {
    if (ProcessStats* record = index_.at(entryId)) {
      return *record;
    }
  } else if (auto it = finished_.find(entryId); it != finished_.end()) {
    return it->second;
  }
  // A full analysis creates the engine's record at the entry's first charge; so does this.
  engine_.statsFor(entryId);
  ProcessStats& record = finished_.try_emplace(entryId).first->second;
  record.id = entryId;
  if (entryId < RecordIndex::Limit) {
    index_.set(entryId, &record);
  }
  return record;
}

void IncrementalAnalysis::update() {
  advance();
  publish();
}

void IncrementalAnalysis::advance() {
  const EventStream& stream = engine_.stream();
  if (stream.size() < walked_) {
    reset();  // the stream was cleared
  }
  if (stream.size() == walked_) {
    return;
  }
  if (walked_ == 0) {
    windowStart_ = window_.start;
    if (stream.firstTime() > windowStart_) {
      windowStart_ = stream.firstTime();
    }
  }
  const EventCursor begin = stream.cursorAt(walked_);
  const EventCursor end = stream.cursorAt(stream.size());
  for (EventCursor e = begin; e != end; ++e) {
    if (std::isnan(e.time())) {
      timesBroken_ = true;
    } else if (e.time() > latestTime_) {
      latestTime_ = e.time();
    }
  }
  Host host{*this};
  walk_.run(begin, end, host);
  walked_ = stream.size();
}

void IncrementalAnalysis::publish() {
  StatisticsEngine& engine = engine_;
  const EventStream& stream = engine.stream();
  const double last = stream.lastTime();
  incremental_ = !timesBroken_ && !(last < latestTime_);
  if (!incremental_) {
    engine.currentClock_ = startClock_;
    engine.analyse(window_);
    return;
  }

  engine.windowStart_ = window_.start;
  engine.windowEnd_ = window_.end;
  if (stream.firstTime() > engine.windowStart_) {
    engine.windowStart_ = stream.firstTime();
  }
  if (last < engine.windowEnd_) {
    engine.windowEnd_ = last;
  }
  engine.windowSpan_ = engine.windowEnd_ - engine.windowStart_;

  // Both maps ascend by id, and every accumulator has its engine record.
  auto finished = finished_.begin();
  for (auto& [id, record] : engine.stats_) {
    while (finished != finished_.end() && finished->first < id) {
      ++finished;
    }
    if (finished != finished_.end() && finished->first == id) {
      ProcessStats value = finished->second;
      value.id = record.id;
      value.row = record.row;
      value.visible = record.visible;
      value.entryClass = record.entryClass;
      record = value;
    } else {
      record.resetStatistics();
    }
  }

  // The activations still open close at the last event, innermost first, as at the end of a full
  // analysis; copies of their frames are charged so that the running state stays untouched.
  const double clock = walk_.clock();
  const std::size_t depth = walk_.depth();
  const ActivationFrame* const frames = walk_.frames();
  double gross = 0.0;
  for (std::size_t i = depth; i-- > 0;) {
    ActivationFrame f = frames[i];
    if (i + 1 != depth) {
      f.nestedTime += gross;
      f.resume = last;
    }
    ActivationCharge c;
    if (clipActivation(f, last, clock, engine.windowStart_, engine.windowEnd_, c)) {
      addCharge(engine.statsFor(f.entry), f, c);
      gross = c.gross;
    } else {
      gross = 0.0;
    }
  }
  engine.currentClock_ = clock;
}

}  // namespace kelvor
