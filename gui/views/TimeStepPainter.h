#pragma once

#include <QFont>
#include <QPainter>
#include <QSize>
#include <memory>
#include <optional>
#include <vector>

#include "timestep/TimeStepLayout.h"
#include "views/TimeStepContent.h"

namespace kelvor::gui {

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
