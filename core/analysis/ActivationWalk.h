#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/ProcessStats.h"
#include "model/CompactEvent.h"
#include "model/TraceEvent.h"

namespace kelvor {

// One open activation of the walk.
struct ActivationFrame {
  std::uint32_t entry;
  std::uint32_t nestedCount;  // activations started directly inside this one
  double start;               // time of the start event
  double nestedTime;          // gross time returned by the nested activations
  double resume;              // start of the current stretch of own execution
  double clockTime;           // own stretches so far, times the clock at their end
  double lowestClock;
  double highestClock;
};

// The part of a finished activation inside a window, as it is charged to its entry.
struct ActivationCharge {
  double gross;
  double net;
  double mean;  // mean clock of the activation
};

// Clips an activation that ended at `time` to the window [windowStart, windowEnd]; false when it
// lies outside and nothing is charged.
inline bool clipActivation(const ActivationFrame& f, double time, double clock, double windowStart,
                           double windowEnd, ActivationCharge& out) {
  if (time < windowStart || f.start > windowEnd) {
    return false;
  }
  const double from = std::max(f.start, windowStart);
  const double to = std::min(time, windowEnd);
  const double gross = to - from;
  const double net = gross - f.nestedTime;
  // The stretches before the last resume are not clipped to the window: a stretch is charged
  // whole at the clock in force at its end.
  const double clockWork = (to - f.resume) * clock + f.clockTime;
  // An activation without net time (zero length, or fully covered by nested ones) has no mean
  // clock of its own; it takes the clock in force, which adds nothing to clockTime.
  out = ActivationCharge{gross, net, net != 0.0 ? clockWork / net : clock};
  return true;
}

// Adds one clipped activation to its entry's record.
inline void addCharge(ProcessStats& r, const ActivationFrame& f, const ActivationCharge& c) {
  const double gross = c.gross;
  const double net = c.net;
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
  r.clockTime += net * c.mean;
  r.meanClock = r.totalWithoutInt != 0.0 ? r.clockTime / r.totalWithoutInt : c.mean;
}

// The walk over a stream: matches starts with ends through a stack of open activations and hands
// every finished one to the host. Its state (the open activations and the clock) stays between
// calls of run(), so a stream can be walked in pieces; a piece ends wherever the events given end.
//
// The host provides:
//   double charge(const ActivationFrame&, double endTime, double clock)  -> gross time returned
//   void levelChanged(std::uint32_t level, double time, std::uint32_t entry)
//   void nestingReached()             called when an activation opens deeper than the warning depth
//   void wrongEnd(const char* line)   an end that does not match the innermost activation
class ActivationWalk {
 public:
  static constexpr std::uint32_t WarningDepth = 30;

  // No activation open; the walk continues at `clock`.
  void restart(double clock) {
    depth_ = 0;
    clock_ = clock;
    if (frames_.size() < 64) {
      frames_.resize(64);
    }
  }

  std::size_t depth() const { return depth_; }
  double clock() const { return clock_; }
  // The open activations, outermost first.
  const ActivationFrame* frames() const { return frames_.data(); }

  // Walks the events from `e` up to `end`.
  template <class Host>
  void run(EventCursor e, EventCursor end, Host& host);

  // Closes every open activation at `time`, innermost first, as at the end of a stream.
  template <class Host>
  void closeAll(double time, Host& host) {
    while (depth_ != 0) {
      const double gross = host.charge(frames_[depth_ - 1], time, clock_);
      if (--depth_ != 0) {
        ActivationFrame& parent = frames_[depth_ - 1];
        parent.nestedTime += gross;
        parent.resume = time;
      }
    }
  }

 private:
  // frames_ is storage: depth_ frames are open.
  std::vector<ActivationFrame> frames_;
  std::size_t depth_ = 0;
  double clock_ = 0.0;
};

template <class Host>
void ActivationWalk::run(EventCursor e, const EventCursor end, Host& host) {
  // The hot state lives in locals for the length of the piece, so that stores into the records
  // need not reload it.
  std::size_t depth = depth_;
  double clock = clock_;
  ActivationFrame* top = depth != 0 ? &frames_[depth - 1] : nullptr;

  auto open = [&](std::uint32_t entry, double time) {
    if (depth == frames_.size()) {
      frames_.resize(frames_.size() * 2);
    }
    top = &frames_[depth++];
    *top = ActivationFrame{entry, 0, time, 0.0, time, 0.0, clock, clock};
    if (depth > WarningDepth) {
      host.nestingReached();
    }
  };
  auto close = [&](double time) {
    const double gross = host.charge(*top, time, clock);
    if (--depth == 0) {
      top = nullptr;
      return;
    }
    --top;
    top->nestedTime += gross;
    top->resume = time;
  };

  for (; e != end; ++e) {
    e.prefetchAhead();
    if (depth == 0) {
      switch (e.kind()) {
        case EventKind::START_PROC:
          open(e.id(), e.time());
          break;
        case EventKind::START_IRQ:
          open(InterruptIdBase + e.number(), e.time());
          break;
        case EventKind::CLK_SPEED:
          clock = e.clock();
          break;
        default:
          // Ends without a start, lock changes, user marks, pseudo processes: nothing to charge.
          break;
      }
      continue;
    }

    switch (e.kind()) {
      case EventKind::START_PROC:
        top->nestedCount += 1;
        top->clockTime += (e.time() - top->resume) * clock;
        open(e.id(), e.time());
        break;
      case EventKind::START_IRQ:
        top->nestedCount += 1;
        top->clockTime += (e.time() - top->resume) * clock;
        open(InterruptIdBase + e.number(), e.time());
        break;
      case EventKind::END_PROC:
        if (e.id() == top->entry) {
          close(e.time());
        } else {
          host.wrongEnd("Falsche pid retour\n");
        }
        break;
      case EventKind::END_IRQ:
        // Any interrupt end closes an open interrupt; its number is not compared.
        if (top->entry >= InterruptIdBase) {
          close(e.time());
        } else {
          host.wrongEnd("Falsche pid ist hier kein IRQ! retour\n");
        }
        break;
      case EventKind::SET_IRQ_LEVEL:
        host.levelChanged(e.number() & 0x80u, e.time(), top->entry);
        break;
      case EventKind::CLK_SPEED:
        clock = e.clock();
        top->lowestClock = std::min(top->lowestClock, clock);
        top->highestClock = std::max(top->highestClock, clock);
        break;
      default:
        break;
    }
  }
  depth_ = depth;
  clock_ = clock;
}

}  // namespace kelvor
