#include "analysis/StatisticsEngine.h"

#include <algorithm>

#include "common/TextNumbers.h"

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

StatisticsEngine::StatisticsEngine(AnalysisContext& context)
    : context_(context), stream_(this), dense_(DenseLimit, nullptr) {}

void StatisticsEngine::reportHighInterrupt() {
  if (context_.console != nullptr) {
    *context_.console << "Just a pity, Cep-id for interrupt too high\n";
  }
}

ProcessStats& StatisticsEngine::createRecord(std::uint32_t entryId) {
  ProcessStats& record = stats_.try_emplace(entryId).first->second;
  record.id = entryId;
  record.entryClass = entryClassFor(entryId);
  if (entryId < DenseLimit) {
    dense_[entryId] = &record;
  }
  return record;
}

void StatisticsEngine::registerEntry(const TraceEvent& event) {
  const std::uint32_t entry = entryId(event);
  if (entry == 0) {
    return;
  }
  if (entry < DenseLimit ? dense_[entry] != nullptr : stats_.count(entry) != 0) {
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
  if (entryId < DenseLimit) {
    ProcessStats* record = dense_[entryId];
    return record != nullptr ? *record : createRecord(entryId);
  }
  auto it = stats_.find(entryId);
  return it != stats_.end() ? it->second : createRecord(entryId);
}

const ProcessStats* StatisticsEngine::find(std::uint32_t entryId) const {
  if (entryId < DenseLimit) {
    return dense_[entryId];
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
  std::fill(dense_.begin(), dense_.end(), nullptr);
}

void StatisticsEngine::open(std::uint32_t entry, double time, double clock) {
  frames_.push_back({entry, 0, time, 0.0, time, 0.0, clock, clock});
  if (frames_.size() > NestingWarningDepth && !context_.nestingWarned) {
    context_.nestingWarned = true;
    if (context_.prompter != nullptr) {
      context_.prompter->message(NestingWarningText, NestingWarningCaption, PromptIcon::None);
    }
  }
}

// Closes the innermost activation at time t (its end event, or the last event of the stream),
// charges the part inside the window, and hands its gross time to the enclosing activation.
void StatisticsEngine::close(double time, double clock) {
  const Frame f = frames_.back();
  frames_.pop_back();

  double gross = 0.0;
  if (!(time < windowStart_ || f.start > windowEnd_)) {
    const double from = std::max(f.start, windowStart_);
    const double to = std::min(time, windowEnd_);
    gross = to - from;
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
    if (gross > r.maxWithInt) {
      r.maxWithInt = gross;
    }
    if (gross < r.minWithInt) {
      r.minWithInt = gross;
    }
    if (net > r.maxWithoutInt) {
      r.maxWithoutInt = net;
    }
    if (net < r.minWithoutInt) {
      r.minWithoutInt = net;
    }
    if (f.nestedCount > r.maxNested) {
      r.maxNested = f.nestedCount;
    }
    if (f.nestedCount < r.minNested) {
      r.minNested = f.nestedCount;
    }
    if (f.lowestClock < r.minClock) {
      r.minClock = f.lowestClock;
    }
    if (f.highestClock > r.maxClock) {
      r.maxClock = f.highestClock;
    }
    r.clockTime += net * mean;
    r.meanClock = r.totalWithoutInt != 0.0 ? r.clockTime / r.totalWithoutInt : mean;
  }

  if (!frames_.empty()) {
    Frame& parent = frames_.back();
    parent.nestedTime += gross;
    parent.resume = time;
  }
}

void StatisticsEngine::analyse(double windowStart, double windowEnd) {
  locks_.resetLocks();

  windowStart_ = windowStart;
  windowEnd_ = windowEnd;
  if (stream_.firstTime() > windowStart_) {
    windowStart_ = stream_.firstTime();
  }
  if (stream_.lastTime() < windowEnd_) {
    windowEnd_ = stream_.lastTime();
  }
  windowSpan_ = windowEnd_ - windowStart_;

  if (context_.settings != nullptr && context_.settings->Contains("mapping")) {
    if (auto mhz = parseLeadingDecimal(context_.settings->Get("clkspeedstart"))) {
      currentClock_ = *mhz;
    }
  }

  resetStatistics();

  // The nesting runs on an explicit stack, so traces with any number of unmatched or nested
  // starts cannot exhaust the call stack.
  frames_.clear();
  double clock = currentClock_;
  const TraceEvent* events = stream_.data();
  const std::size_t count = stream_.size();
  for (std::size_t i = 0; i < count; ++i) {
    const TraceEvent& e = events[i];
    if (frames_.empty()) {
      switch (e.kind) {
        case EventKind::START_PROC:
          open(e.id, e.time, clock);
          break;
        case EventKind::START_IRQ:
          open(InterruptIdBase + e.number, e.time, clock);
          break;
        case EventKind::CLK_SPEED:
          clock = e.clock;
          break;
        default:
          // Ends without a start, lock changes, user marks, pseudo processes: nothing to charge.
          break;
      }
      continue;
    }

    Frame& top = frames_.back();
    switch (e.kind) {
      case EventKind::START_PROC:
      case EventKind::START_IRQ:
        top.nestedCount += 1;
        top.clockTime += (e.time - top.resume) * clock;
        open(entryId(e), e.time, clock);
        break;
      case EventKind::END_PROC:
        if (e.id == top.entry) {
          close(e.time, clock);
        } else if (context_.console != nullptr) {
          *context_.console << "Falsche pid retour\n";
        }
        break;
      case EventKind::END_IRQ:
        // Any interrupt end closes an open interrupt; its number is not compared.
        if (top.entry >= InterruptIdBase) {
          close(e.time, clock);
        } else if (context_.console != nullptr) {
          *context_.console << "Falsche pid ist hier kein IRQ! retour\n";
        }
        break;
      case EventKind::SET_IRQ_LEVEL:
        locks_.levelChanged(e.number & 0x80u, e.time, top.entry);
        break;
      case EventKind::CLK_SPEED:
        clock = e.clock;
        top.lowestClock = std::min(top.lowestClock, clock);
        top.highestClock = std::max(top.highestClock, clock);
        break;
      default:
        break;
    }
  }

  // Activations still open at the end of the stream close at its last event, innermost first.
  const double last = stream_.lastTime();
  while (!frames_.empty()) {
    close(last, clock);
  }
  currentClock_ = clock;
}

}  // namespace kelvor
