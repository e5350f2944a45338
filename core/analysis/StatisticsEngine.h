#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "analysis/ActivationDurations.h"
#include "analysis/ActivationWalk.h"
#include "analysis/AnalysisContext.h"
#include "analysis/LockTracker.h"
#include "analysis/ProcessStats.h"
#include "analysis/RecordIndex.h"
#include "analysis/TimeWindow.h"
#include "model/EventStream.h"

namespace kelvor {

// Owns the event stream and one ProcessStats record per entry id. analyse() walks the stream
// once, matching starts with ends through a stack of nested activations, and charges each
// finished activation to its entry.
class StatisticsEngine final : public EntryRegistry {
 public:
  using StatsMap = std::map<std::uint32_t, ProcessStats>;

  static constexpr const char* NestingWarningText =
      "Too many nested processes, tasks or Interrupts for tracing [>30]!\nTrace is truncated.";
  static constexpr const char* NestingWarningCaption = "Message !";
  static constexpr std::uint32_t NestingWarningDepth = ActivationWalk::WarningDepth;

  explicit StatisticsEngine(AnalysisContext& context);
  ~StatisticsEngine() = default;
  StatisticsEngine(const StatisticsEngine&) = delete;
  StatisticsEngine& operator=(const StatisticsEngine&) = delete;

  EventStream& stream() { return stream_; }
  const EventStream& stream() const { return stream_; }
  // Appends to the stream, which registers the event's entry here.
  void append(const TraceEvent& event) { stream_.append(event); }

  // Creates the record of a process or interrupt the first time one of its starts or ends is
  // appended; it gets the next row number and is visible.
  void registerEntry(const TraceEvent& event) override;

  // The record of an entry, created (invisible, without a row) when it is missing.
  ProcessStats& statsFor(std::uint32_t entryId);
  // The record of an entry, or null; never creates one.
  const ProcessStats* find(std::uint32_t entryId) const;

  // Recomputes every record over the window, clipped to the stream's first and last times. With
  // `durations`, also keeps there the net and gross duration of every activation charged (the
  // durations kept before are dropped).
  void analyse(TimeWindow window = TimeWindow::wholeTrace(),
               ActivationDurations* durations = nullptr);
  // Keeps in `durations` the net and gross duration of every activation the last analysis
  // charged, by walking the stream again over its window. Changes no record and no state of the
  // engine, so a view may ask for them after the statistics were made.
  void collectDurations(ActivationDurations& durations) const;
  // Every record's statistics back to their initial values.
  void resetStatistics();
  // Empties the stream and drops every record (a new recording starts from nothing).
  void clear();

  // Records in ascending entry id.
  const StatsMap& statistics() const { return stats_; }
  double windowStart() const { return windowStart_; }
  double windowEnd() const { return windowEnd_; }
  double windowSpan() const { return windowSpan_; }
  double currentClock() const { return currentClock_; }
  void setCurrentClock(double mhz) { currentClock_ = mhz; }

  LockTracker& locks() { return locks_; }
  const LockTracker& locks() const { return locks_; }

 private:
  friend class IncrementalAnalysis;

  ProcessStats& createRecord(std::uint32_t entryId);
  double charge(const ActivationFrame& frame, double time, double clock);
  void warnAboutNesting();
  void reportWrongEnd(const char* line);
  void reportHighInterrupt();

  AnalysisContext& context_;
  EventStream stream_;
  StatsMap stats_;
  // Records by entry id; std::map nodes never move, so the pointers stay valid. Ids the index
  // does not cover are looked up in the map (where they are absent until created).
  RecordIndex index_;
  ActivationWalk walk_;  // its activation stack is kept between analyses
  LockTracker locks_;
  ActivationDurations* durations_ = nullptr;  // set for the length of an analyse() that keeps them
  double currentClock_ = 0.0;
  double windowStart_ = 0.0;
  double windowEnd_ = 0.0;
  double windowSpan_ = 0.0;
};

}  // namespace kelvor
