#pragma once

#include <QFont>
#include <QPainter>
#include <QSize>
#include <memory>
#include <optional>
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
// index, and the entries with their labels and colours. The walk runs when the stream changes;
// the entries, the row order and the longest label are taken anew on every update.
class TimeStepContent {
 public:
  // Walks the session's stream anew (after a load) and takes the entries.
  void rebuild(Session& session, int sortMode);
  // Takes the entries, the row numbers and the row order anew; the stretches stay.
  void refresh(Session& session, int sortMode);
  // Drops everything that refers into the engine.
  void clear();

  bool hasData() const { return hasData_; }
  const TraceBounds& bounds() const { return bounds_; }
  std::size_t eventCount() const { return eventCount_; }
  const EventStream* stream() const { return stream_; }
  const std::vector<TimeStepEntry>& entries() const { return entries_; }
  const TimeStepEntry* entry(std::uint32_t id) const;
  const RowOrder& order() const { return order_; }
  std::size_t visibleEntries() const { return order_.size(); }
  const TimeStepRaster* raster() const { return raster_.get(); }
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

// The fonts the chart draws with.
struct TimeStepPaintFonts {
  QFont label;
  QFont title;
};

// The view state one paint reads.
struct TimeStepFrame {
  ViewWindow window;
  Markers markers;
  int firstRow = 0;
  bool dragging = false;  // the vertical thumb is dragged: no stretches
  SummaryRows summary;
  int sortMode = 1;
};

// Page measures of a paint: the chart and the text height of the label font.
struct TimeStepPage {
  PageLayout layout;
  int rowHeight = 0;
  int labelColumnWidth = 0;
  int textHeight = 0;
  int clientWidth = 0;
  ChartRect chart() const { return layout.chart; }
};

// The page layout of a client size for the current content and label font.
TimeStepPage timeStepPage(const TimeStepContent& content, const TimeStepFrame& frame,
                          const QFont& labelFont, const QPaintDevice* device, QSize client);

// Paints the whole page: labels, legend, chart, stretches, axis and the positions lines.
// Nothing for a trace without events.
TimeStepPage paintTimeStepPage(QPainter& painter, const TimeStepContent& content,
                               const TimeStepFrame& frame, const TimeStepPaintFonts& fonts,
                               QSize client);

// Paints only what a horizontal step changes: the chart with its stretches, the axis and the
// positions lines.
void paintTimeStepChart(QPainter& painter, const TimeStepContent& content,
                        const TimeStepFrame& frame, const TimeStepPaintFonts& fonts,
                        const TimeStepPage& page);

// The pointer readouts above the chart's right end, each over a white band.
void paintTimeStepReadouts(QPainter& painter, const QFont& labelFont, const TimeStepPage& page,
                           const PointerReadouts& readouts);

}  // namespace kelvor::gui
