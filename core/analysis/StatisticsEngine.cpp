#include "analysis/StatisticsEngine.h"

#include <algorithm>
#include <optional>

#include "settings/AnalysisSettings.h"

namespace kelvor {

std::uint32_t entryClassFor(std::uint32_t k) {
  if (k >= InterruptIdBase) {
    return InterruptClass;
  }
  if ((k & 0xFF) != 0xFF) {
    if (k == 0xFD) {
      return HisrClass;
    }
    return k == 0xFE ? TaskClass : ProcessClass;
  }
  if ((k >= 0xC000 && k <= 0xF9FF) || (k >= 0x8C00 && k <= 0x8FFF)) {
    return HisrClass;
  }
  return TaskClass;
}

StatisticsEngine::StatisticsEngine(AnalysisContext& context) : context_(context), stream_(this) {}

void StatisticsEngine::reportHighInterrupt() {
  if (context_.console != nullptr) {
    *context_.console << "Just a pity, Cep-id for interrupt too high\n";
  }
}

ProcessStats& StatisticsEngine::createRecord(std::uint32_t entryId) {
  ProcessStats& record = stats_.try_emplace(entryId).first->second;
  record.id = entryId;
  record.entryClass = entryClassFor(entryId);
  if (entryId < RecordIndex::Limit) {
    index_.set(entryId, &record);
  }
  return record;
}

void StatisticsEngine::registerEntry(const TraceEvent& event) {
  const std::uint32_t entry = entryId(event);
  if (entry == 0) {
    return;
  }
  if (index_.covers(entry) ? index_.at(entry) != nullptr : stats_.count(entry) != 0) {
    return;
  }
  ProcessStats& record = createRecord(entry);
  record.row = ++context_.registeredEntries;
  record.visible = 1;
  if (entry > HighestRegularInterruptId) {
    reportHighInterrupt();
  }
}

ProcessStats& StatisticsEngine::statsFor(std::uint32_t entryId) {
  if (index_.covers(entryId)) {
    ProcessStats* record = index_.at(entryId);
    return record != nullptr ? *record : createRecord(entryId);
  }
  auto it = stats_.find(entryId);
  return it != stats_.end() ? it->second : createRecord(entryId);
}

const ProcessStats* StatisticsEngine::find(std::uint32_t entryId) const {
  if (index_.covers(entryId)) {
    return index_.at(entryId);
  }
  auto it = stats_.find(entryId);
  return it != stats_.end() ? &it->second : nullptr;
}

void StatisticsEngine::resetStatistics() {
  for (auto& [id, record] : stats_) {
    record.resetStatistics();
  }
}

void StatisticsEngine::clear() {
  stream_.clear();
  stats_.clear();
  index_.clear();
}

void StatisticsEngine::warnAboutNesting() {
  context_.nestingWarned = true;
  if (context_.prompter != nullptr) {
    context_.prompter->message(NestingWarningText, NestingWarningCaption, PromptIcon::None);
  }
}

void StatisticsEngine::reportWrongEnd(const char* line) {
  if (context_.console != nullptr) {
    *context_.console << line;
  }
}

// Charges a finished activation that ended at `time` (its end event, or the last event of the
// stream) with the part inside the window; returns its gross time for the enclosing activation.
double StatisticsEngine::charge(const ActivationFrame& f, double time, double clock) {
  ActivationCharge c;
  if (!clipActivation(f, time, clock, windowStart_, windowEnd_, c)) {
    return 0.0;
  }
  if (f.entry > HighestRegularInterruptId) {
    reportHighInterrupt();
  }
  addCharge(statsFor(f.entry), f, c);
  if (durations_ != nullptr) {
    durations_->add(f.entry, c.net, c.gross);
  }
  return c.gross;
}

void StatisticsEngine::analyse(TimeWindow window, ActivationDurations* durations) {
  locks_.resetLocks();
  if (durations != nullptr) {
    durations->clear();
  }
  // Only this call keeps durations; a later analysis without them must not write into them.
  struct KeepDurations {
    ActivationDurations*& target;
    ~KeepDurations() { target = nullptr; }
  } keep{durations_};
  durations_ = durations;

  windowStart_ = window.start;
  windowEnd_ = window.end;
  if (stream_.firstTime() > windowStart_) {
    windowStart_ = stream_.firstTime();
  }
  if (stream_.lastTime() < windowEnd_) {
    windowEnd_ = stream_.lastTime();
  }
  windowSpan_ = windowEnd_ - windowStart_;

  if (context_.settings != nullptr) {
    if (const std::optional<double> mhz = startClock(*context_.settings)) {
      currentClock_ = *mhz;
    }
  }

  resetStatistics();

  // The nesting runs on an explicit stack, so traces with any number of unmatched or nested
  // starts cannot exhaust the call stack.
  struct Host {
    StatisticsEngine& engine;
    double charge(const ActivationFrame& f, double time, double clock) {
      return engine.charge(f, time, clock);
    }
    void levelChanged(std::uint32_t level, double time, std::uint32_t entry) {
      engine.locks_.levelChanged(level, time, entry);
    }
    void nestingReached() {
      if (!engine.context_.nestingWarned) {
        engine.warnAboutNesting();
      }
    }
    void wrongEnd(const char* line) { engine.reportWrongEnd(line); }
  } host{*this};

  walk_.restart(currentClock_);
  walk_.run(stream_.cursorAt(0), stream_.cursorAt(stream_.size()), host);
  // Activations still open at the end of the stream close at its last event, innermost first.
  walk_.closeAll(stream_.lastTime(), host);
  currentClock_ = walk_.clock();
}

void StatisticsEngine::collectDurations(ActivationDurations& durations) const {
  durations.clear();
  // The walk of analyse() with a host that only clips and keeps; the clock does not change
  // a duration, so the walk's own start clock serves.
  struct Host {
    ActivationDurations& out;
    double windowStart;
    double windowEnd;
    double charge(const ActivationFrame& f, double time, double clock) {
      ActivationCharge c;
      if (!clipActivation(f, time, clock, windowStart, windowEnd, c)) {
        return 0.0;
      }
      out.add(f.entry, c.net, c.gross);
      return c.gross;
    }
    void levelChanged(std::uint32_t, double, std::uint32_t) {}
    void nestingReached() {}
    void wrongEnd(const char*) {}
  } host{durations, windowStart_, windowEnd_};
  ActivationWalk walk;
  walk.restart(currentClock_);
  walk.run(stream_.cursorAt(0), stream_.cursorAt(stream_.size()), host);
  walk.closeAll(stream_.lastTime(), host);
}

}  // namespace kelvor
