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
double StatisticsEngine::charge(const Frame& f, double time, double clock) {
  if (time < windowStart_ || f.start > windowEnd_) {
    return 0.0;
  }
  const double from = std::max(f.start, windowStart_);
  const double to = std::min(time, windowEnd_);
  const double gross = to - from;
  const double net = gross - f.nestedTime;
  // The stretches before the last resume are not clipped to the window: a stretch is charged
  // whole at the clock in force at its end.
  const double clockWork = (to - f.resume) * clock + f.clockTime;
  // An activation without net time (zero length, or fully covered by nested ones) has no mean
  // clock of its own; it takes the clock in force, which adds nothing to clockTime.
  const double mean = net != 0.0 ? clockWork / net : clock;
  if (f.entry > HighestRegularInterruptId) {
    reportHighInterrupt();
  }

  ProcessStats& r = statsFor(f.entry);
  r.totalWithInt += gross;
  r.totalNested += f.nestedCount;
  r.calls += 1;
  r.totalWithoutInt += net;
  r.maxWithInt = gross > r.maxWithInt ? gross : r.maxWithInt;
  r.minWithInt = gross < r.minWithInt ? gross : r.minWithInt;
  r.maxWithoutInt = net > r.maxWithoutInt ? net : r.maxWithoutInt;
  r.minWithoutInt = net < r.minWithoutInt ? net : r.minWithoutInt;
  r.maxNested = f.nestedCount > r.maxNested ? f.nestedCount : r.maxNested;
  r.minNested = f.nestedCount < r.minNested ? f.nestedCount : r.minNested;
  r.minClock = f.lowestClock < r.minClock ? f.lowestClock : r.minClock;
  r.maxClock = f.highestClock > r.maxClock ? f.highestClock : r.maxClock;
  r.clockTime += net * mean;
  r.meanClock = r.totalWithoutInt != 0.0 ? r.clockTime / r.totalWithoutInt : mean;
  return gross;
}

void StatisticsEngine::analyse(TimeWindow window) {
  locks_.resetLocks();

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
  // starts cannot exhaust the call stack. frames_ is only storage here: `depth` frames are open,
  // and `top` points at the innermost one.
  if (frames_.size() < 64) {
    frames_.resize(64);
  }
  std::size_t depth = 0;
  Frame* top = nullptr;
  double clock = currentClock_;

  auto open = [&](std::uint32_t entry, double time) {
    if (depth == frames_.size()) {
      frames_.resize(frames_.size() * 2);
    }
    top = &frames_[depth++];
    *top = Frame{entry, 0, time, 0.0, time, 0.0, clock, clock};
    if (depth > NestingWarningDepth && !context_.nestingWarned) {
      warnAboutNesting();
    }
  };
  auto close = [&](double time) {
    const double gross = charge(*top, time, clock);
    if (--depth == 0) {
      top = nullptr;
      return;
    }
    --top;
    top->nestedTime += gross;
    top->resume = time;
  };

  const TraceEvent* e = stream_.data();
  const TraceEvent* const end = e + stream_.size();
  for (; e != end; ++e) {
    if (depth == 0) {
      switch (e->kind) {
        case EventKind::START_PROC:
          open(e->id, e->time);
          break;
        case EventKind::START_IRQ:
          open(InterruptIdBase + e->number, e->time);
          break;
        case EventKind::CLK_SPEED:
          clock = e->clock;
          break;
        default:
          // Ends without a start, lock changes, user marks, pseudo processes: nothing to charge.
          break;
      }
      continue;
    }

    switch (e->kind) {
      case EventKind::START_PROC:
        top->nestedCount += 1;
        top->clockTime += (e->time - top->resume) * clock;
        open(e->id, e->time);
        break;
      case EventKind::START_IRQ:
        top->nestedCount += 1;
        top->clockTime += (e->time - top->resume) * clock;
        open(InterruptIdBase + e->number, e->time);
        break;
      case EventKind::END_PROC:
        if (e->id == top->entry) {
          close(e->time);
        } else {
          reportWrongEnd("Falsche pid retour\n");
        }
        break;
      case EventKind::END_IRQ:
        // Any interrupt end closes an open interrupt; its number is not compared.
        if (top->entry >= InterruptIdBase) {
          close(e->time);
        } else {
          reportWrongEnd("Falsche pid ist hier kein IRQ! retour\n");
        }
        break;
      case EventKind::SET_IRQ_LEVEL:
        locks_.levelChanged(e->number & 0x80u, e->time, top->entry);
        break;
      case EventKind::CLK_SPEED:
        clock = e->clock;
        top->lowestClock = std::min(top->lowestClock, clock);
        top->highestClock = std::max(top->highestClock, clock);
        break;
      default:
        break;
    }
  }

  // Activations still open at the end of the stream close at its last event, innermost first.
  const double last = stream_.lastTime();
  while (depth != 0) {
    close(last);
  }
  currentClock_ = clock;
}

}  // namespace kelvor
