#pragma once

#include <QColor>
#include <QString>
#include <memory>
#include <vector>

#include "session/Session.h"
#include "timestep/SegmentRaster.h"
#include "timestep/TimeStepLayout.h"
#include "timestep/TimeStepWalk.h"

namespace kelvor::gui {

// One entry of the chart as the labels and bars show it.
struct TimeStepEntry {
  std::uint32_t id = 0;
  std::uint32_t entryClass = 0;
  bool visible = false;
  QString label;
  QColor barColour;
  QColor labelColour;
  const RowRaster* raster = nullptr;  // null when the walk found no stretch of the entry
};

// What the chart is drawn from: the stretches of one walk over the stream with their raster
// index, and the entries with their labels and colours. The walk runs when the stream changes
// (during a recording it goes on over the events appended since); the entries, the row order and
// the longest label are taken anew on every update.
class TimeStepContent {
 public:
  // Walks the session's stream anew (after a load) and takes the entries.
  void rebuild(Session& session, int sortMode);
  // During a recording: continues the walk over the events appended to the session's stream
  // since the last walk, brings the raster up to date with it and takes the entries, at a cost
  // that grows with the new events rather than with the stream. Walks anew (as rebuild() does)
  // when there is no walk of this stream to continue.
  void takeIn(Session& session, int sortMode);
  // Takes the entries, the row numbers and the row order anew; the stretches stay.
  void refresh(Session& session, int sortMode);
  // Drops everything that refers into the engine.
  void clear();
  // Whether the stretches are those of the session's stream as it is now: a chart created
  // again (each switch to the time-step view) takes them instead of walking the stream anew.
  bool walkedFor(const Session& session) const;

  bool hasData() const { return hasData_; }
  const TraceBounds& bounds() const { return bounds_; }
  std::size_t eventCount() const { return eventCount_; }
  const EventStream* stream() const { return stream_; }
  const std::vector<TimeStepEntry>& entries() const { return entries_; }
  const TimeStepEntry* entry(std::uint32_t id) const;
  const RowOrder& order() const { return order_; }
  std::size_t visibleEntries() const { return order_.size(); }
  const TimeStepRaster* raster() const { return raster_.get(); }
  // The stretches of the last walk; null before a walk and for an empty stream.
  const TimeStepResult* walkResult() const { return walk_ ? &walk_->result() : nullptr; }
  double userSectionTime() const { return userSectionTime_; }
  double userSectionPercent() const { return userSectionPercent_; }
  // The longest label; reset when the label font changes.
  LongestLabel& longestLabel() { return longest_; }
  const LongestLabel& longestLabel() const { return longest_; }

 private:
  bool hasData_ = false;
  TraceBounds bounds_;
  std::size_t eventCount_ = 0;
  const EventStream* stream_ = nullptr;
  std::unique_ptr<TimeStepWalk> walk_;
  std::unique_ptr<TimeStepRaster> raster_;
  std::vector<TimeStepEntry> entries_;  // every record, in ascending id
  RowOrder order_;
  LongestLabel longest_;
  double userSectionTime_ = 0.0;
  double userSectionPercent_ = 0.0;
};

}  // namespace kelvor::gui
