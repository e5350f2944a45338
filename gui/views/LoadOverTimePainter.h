#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>
#include <vector>

#include "analysis/LoadOverTime.h"
#include "timestep/TimeStepNavigation.h"

namespace kelvor::gui {

inline constexpr const char* LoadOverTimeTitle = "Load over Time";
inline constexpr const char* SummedLoadName = "Load (all entries)";

// One entry drawn by the chart: its column in the result, its legend text and its colour.
struct LoadSeries {
  std::size_t column = 0;
  QString name;
  QColor colour;
};

// What the chart is drawn from. The result is computed elsewhere; the chart only maps it.
struct LoadOverTimeChart {
  enum class State { NoData, Computing, Ready };
  State state = State::NoData;
  const LoadOverTime* load = nullptr;  // set when Ready
  std::vector<LoadSeries> series;      // the selected entries, in the result's order
  ViewWindow window;                   // the time range the axis shows
  Markers markers;
  bool stacked = false;  // stacked areas instead of lines
};

// The colour of the entry in column `column`: neighbouring columns get far-apart hues.
QColor loadSeriesColour(std::size_t column);

// The font of the axes, the legend and the subtitle.
QFont loadOverTimeFont();

// Where the parts of a chart of the given size lie; `textHeight` is that of loadOverTimeFont().
struct LoadOverTimeLayout {
  QRect plot;    // the data area: 0 % at the bottom, 100 % at the top
  QRect legend;  // right of the plot
};
LoadOverTimeLayout loadOverTimeLayout(QSize size, int textHeight);

// Draws the whole chart over a white page of the given size.
void paintLoadOverTime(QPainter& painter, const LoadOverTimeChart& chart, QSize size);

}  // namespace kelvor::gui
