#pragma once

#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>
#include <vector>

#include "views/ProcessorLoadChart.h"

namespace kelvor::gui {

// The four fonts of the processor-load chart. Upward fonts are plain fonts here: the painter
// turns the text.
struct LoadChartFonts {
  QFont axis;
  QFont label;  // the percent labels, upwards
  QFont bold;   // the names, upwards
  QFont title;

  // The fonts of the chart on the screen.
  static LoadChartFonts screen();
  // The fonts of a printed chart: sizes in units of the printer's pixels per point.
  static LoadChartFonts printer(int logicalDpiY);
};

// What a chart is drawn from: the bars and the engine's entry count, taken when the statistics
// changed, and whether there is anything to draw at all.
struct LoadChartContent {
  bool hasData = false;  // false for an empty stream: nothing is drawn, not even the axes
  std::size_t entryCount = 0;
  std::vector<LoadBar> bars;
};

// Draws the chart of width W and height H in the painter's current coordinates. Only the bars
// whose place or labels reach into `exposed` are drawn; the frame is drawn whole.
void paintLoadChart(QPainter& painter, const LoadChartContent& content, int width, int height,
                    const LoadChartFonts& fonts, const QRect& exposed);

// The printed page: the document's path at the top left in the painter's current font, then
// the chart over the printable width and 10/11 of the printable height, in printer fonts.
void paintLoadChartPage(QPainter& painter, const LoadChartContent& content,
                        const QString& pathName);

}  // namespace kelvor::gui
