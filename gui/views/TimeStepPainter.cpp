#include "views/TimeStepPainter.h"

#include <QFontMetrics>
#include <QPolygon>
#include <QVector>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

#include "views/TimeStepPaintPrimitives.h"

namespace kelvor::gui {

namespace {

namespace colours = timestep_colours;

int summaryBandTop(const TimeStepPage& page, int summaryRow) {
  return ChartTop + page.rowHeight * summaryRow;
}

void paintLabelCell(QPainter& painter, const QFontMetrics& metrics, const TimeStepPage& page,
                    int top, const QColor& fill, const QString& text) {
  painter.fillRect(QRect(10, top, page.labelColumnWidth - 10, page.rowHeight), fill);
  textAt(painter, metrics, 10, top, text);
}

void paintLegend(QPainter& painter, const QFontMetrics& metrics, const TimeStepPage& page,
                 int clientWidth) {
  const int h = metrics.height();
  int y = page.chart().bottom + 6 + h + 8;
  for (const char* line : LegendHeading) {
    textAt(painter, metrics, LegendLeft, y, QString::fromLatin1(line));
    y += h;
  }
  y += 4;
  int x = LegendLeft;
  for (const LegendItem& item : legendItems()) {
    const QString text = QString::fromLatin1(item.text);
    const int textWidth = metrics.horizontalAdvance(text);
    const int itemWidth = LegendBoxWidth + LegendTextGap + textWidth;
    if (x > LegendLeft && x + itemWidth > clientWidth) {
      x = LegendLeft;
      y += LegendBoxHeight + 4;
    }
    const QRect box(x, y, LegendBoxWidth, LegendBoxHeight);
    if (item.swatch == LegendSwatch::Hatch) {
      painter.fillRect(box, qcolor(colours::HatchBackground));
      painter.fillRect(box, QBrush(qcolor(item.colour), Qt::DiagCrossPattern));
    } else {
      painter.fillRect(box, qcolor(item.colour));
    }
    const int textX = x + LegendBoxWidth + LegendTextGap;
    painter.fillRect(QRect(textX, y, textWidth, h), Qt::white);
    textAt(painter, metrics, textX, y + (LegendBoxHeight - h) / 2, text);
    x = textX + textWidth + LegendItemGap;
  }
}

void paintLabels(QPainter& painter, const TimeStepContent& content, const TimeStepFrame& frame,
                 const TimeStepPaintFonts& fonts, const TimeStepPage& page, int clientWidth) {
  const ChartRect chart = page.chart();
  painter.setFont(fonts.label);
  const QFontMetrics metrics = painter.fontMetrics();
  painter.setPen(Qt::black);
  textAt(painter, metrics, 10, chart.top - 24,
         QString::fromStdString(subtitleText(frame.sortMode)));

  painter.setFont(fonts.title);
  const QFontMetrics titleMetrics = painter.fontMetrics();
  const QString title = QString::fromLatin1(TimeStepTitle);
  textAt(painter, titleMetrics, chart.right / 2 - titleMetrics.horizontalAdvance(title) / 2,
         chart.top - 72, title);

  painter.setFont(fonts.label);
  const SummaryRows& summary = frame.summary;
  if (summary.condensed) {
    for (std::size_t i = 0; i < ClassRowLabels.size(); ++i) {
      paintLabelCell(painter, metrics, page, summaryBandTop(page, static_cast<int>(i)),
                     qcolor(colours::ClassLabel), QString::fromLatin1(ClassRowLabels[i]));
    }
  }
  paintLabelCell(painter, metrics, page, summaryBandTop(page, summary.userRuntimeRow()),
                 qcolor(colours::UserLabel),
                 QString::fromStdString(
                     userRuntimeLabel(content.userSectionPercent(), content.userSectionTime())));
  paintLabelCell(painter, metrics, page, summaryBandTop(page, summary.userMarksRow()),
                 qcolor(colours::UserLabel), QString::fromLatin1(UserMarksLabel));

  const RowOrder& order = content.order();
  const int rows = static_cast<int>(order.size());
  for (int row = frame.firstRow;
       row < rows && rowOnPage(row, frame.firstRow, page.layout.rowsPerPage); ++row) {
    const TimeStepEntry* entry = content.entry(order.entryAt(row));
    if (entry == nullptr) {
      continue;
    }
    paintLabelCell(painter, metrics, page,
                   rowBandTop(page.rowHeight, summary.count(), row, frame.firstRow),
                   entry->labelColour, entry->label);
  }
  paintLegend(painter, metrics, page, clientWidth);
}

void paintPositions(QPainter& painter, const TimeStepContent& content, const TimeStepFrame& frame,
                    const QFont& labelFont, const TimeStepPage& page) {
  if (content.stream() == nullptr) {
    return;
  }
  painter.setFont(labelFont);
  painter.setPen(Qt::black);
  const QFontMetrics metrics = painter.fontMetrics();
  const EventWindow events = eventWindow(*content.stream(), frame.window);
  const int h = metrics.height();
  const int right = page.chart().right;
  // A repaint after a scroll step draws over the previous numbers: the widest the lines can be
  // is cleared first.
  const int widest = metrics.horizontalAdvance(
      QString::fromStdString(startPosText(EventWindow{content.eventCount(), 0})) + "00");
  painter.fillRect(
      QRect(right - widest, readoutLineY(ReadoutLine::StartPos, h), widest, 2 * (h + 2)),
      Qt::white);
  rightAlignedLine(painter, metrics, right, readoutLineY(ReadoutLine::StartPos, h),
                   QString::fromStdString(startPosText(events)));
  rightAlignedLine(painter, metrics, right, readoutLineY(ReadoutLine::EndPos, h),
                   QString::fromStdString(endPosText(events, content.eventCount())));
}

void paintAxis(QPainter& painter, const TimeStepFrame& frame, const QFont& labelFont,
               const TimeStepPage& page) {
  const ChartRect chart = page.chart();
  painter.setFont(labelFont);
  const QFontMetrics metrics = painter.fontMetrics();
  // The labels of the last ticks reach past the band: a repaint clears their whole line.
  painter.fillRect(QRect(0, chart.bottom + 1, page.clientWidth, metrics.height() + 6), Qt::white);
  painter.fillRect(QRect(chart.left - 40, chart.bottom + 6, chart.width() + 40,
                         metrics.height() + metrics.leading()),
                   qcolor(colours::AxisBand));
  painter.setPen(Qt::black);
  textAt(painter, metrics, chart.left - 60, chart.bottom + 6, QString::fromLatin1(AxisUnitLabel));
  const TimeAxis axis = axisFor(frame.window, chart);
  for (const AxisTick& tick : axisTicks(axis)) {
    if (tick.major) {
      painter.setPen(tick.first ? QPen(qcolor(colours::FirstTick), 2)
                                : QPen(qcolor(colours::Tick), 1));
      painter.drawLine(tick.x, chart.bottom + 1, tick.x, chart.bottom + 7);
      const QString label = QString::fromStdString(tick.label);
      painter.setPen(Qt::black);
      textAt(painter, metrics, tick.x - metrics.horizontalAdvance(label) / 2, chart.bottom + 6,
             label);
    } else {
      painter.setPen(QPen(qcolor(colours::Tick), 1));
      painter.drawLine(tick.x, chart.bottom + 2, tick.x, chart.bottom + 6);
    }
  }
}

// The guide line through the middle of each summary row and each entry row on the page, and
// the markers.
void paintGuides(QPainter& painter, const TimeStepContent& content, const TimeStepFrame& frame,
                 const TimeStepPage& page) {
  const ChartRect chart = page.chart();
  const QPen solid(qcolor(colours::GuideSolid), 1, Qt::SolidLine);
  const QPen dotted(qcolor(colours::GuideDotted), 1, Qt::DotLine);
  const int summaryRows = frame.summary.count();
  const int entryRows =
      std::min(static_cast<int>(content.order().size()) - frame.firstRow, page.layout.rowsPerPage);
  const int lines = summaryRows + std::max(0, entryRows);
  for (int line = 0; line < lines; ++line) {
    painter.setPen(line % 2 == 0 ? solid : dotted);
    const int y = ChartTop + page.rowHeight * line + page.rowHeight / 2;
    painter.drawLine(chart.left + 4, y, chart.right, y);
  }
  const TimeAxis axis = axisFor(frame.window, chart);
  painter.setPen(QPen(qcolor(colours::Marker), 1, Qt::DashLine));
  for (const Marker& marker : {frame.markers.marker1, frame.markers.marker2}) {
    if (marker.set) {
      const int x = axis.timeToX(marker.time);
      painter.drawLine(x, chart.top, x, chart.bottom);
    }
  }
}

void addRuns(BrushBatches& batches, const std::vector<ColumnRun>& runs, int top, int height,
             const QColor& running, const QColor& interrupted, bool onlyRunning) {
  for (const ColumnRun& run : runs) {
    const QRect rect(run.x0, top, run.x1 - run.x0, height);
    switch (run.state) {
      case SegmentState::Running:
        batches.add(running, Qt::SolidPattern, rect);
        break;
      case SegmentState::Interrupted:
        if (!onlyRunning) {
          batches.add(interrupted, Qt::SolidPattern, rect);
        }
        break;
      case SegmentState::Undefined:
        if (!onlyRunning) {
          batches.add(qcolor(colours::HatchBackground), Qt::SolidPattern, rect);
        }
        break;
    }
  }
}

void addHatches(BrushBatches& batches, const std::vector<ColumnRun>& runs, int top, int height) {
  for (const ColumnRun& run : runs) {
    if (run.state == SegmentState::Undefined) {
      batches.add(qcolor(colours::UndefinedHatch), Qt::DiagCrossPattern,
                  QRect(run.x0, top, run.x1 - run.x0, height));
    }
  }
}

// The stretches of every entry row on the page and, in the condensed layout, the running
// stretches of every entry in its class row; the user run-time bars; the user marks; the clock.
void paintStretches(QPainter& painter, const TimeStepContent& content, const TimeStepFrame& frame,
                    const QFont& labelFont, const TimeStepPage& page) {
  const TimeStepRaster* raster = content.raster();
  if (raster == nullptr) {
    return;
  }
  const ChartRect chart = page.chart();
  const TimeAxis axis = axisFor(frame.window, chart);
  const SummaryRows& summary = frame.summary;
  const int h = page.rowHeight;
  BrushBatches solid;
  BrushBatches hatches;
  std::vector<ColumnRun> runs;
  const QColor grey = qcolor(colours::InterruptedEven);
  const QColor white = qcolor(colours::InterruptedOdd);
  ClassRowColumns classRows(chart.left, chart.width() + 2);

  for (const TimeStepEntry& entry : content.entries()) {
    if (entry.raster == nullptr) {
      continue;
    }
    const std::optional<int> row = entry.visible ? content.order().rowOf(entry.id) : std::nullopt;
    const bool onPage = row && rowOnPage(*row, frame.firstRow, page.layout.rowsPerPage);
    const std::optional<int> classRow = summary.classRow(entry.entryClass);
    if (!onPage && !classRow) {
      continue;
    }
    runs.clear();
    entry.raster->raster(axis, runs);
    if (onPage) {
      const int top = rowBandTop(h, summary.count(), *row, frame.firstRow);
      addRuns(solid, runs, top, h, entry.barColour, *row % 2 == 0 ? grey : white, false);
      addHatches(hatches, runs, top, h);
    }
    if (classRow) {
      classRows.paint(*classRow, runs, entry.barColour.rgb());
    }
  }
  classRows.addTo(solid, page.rowHeight);
  runs.clear();
  raster->userSections().raster(axis, runs);
  addRuns(solid, runs, summaryBandTop(page, summary.userRuntimeRow()), h,
          qcolor(colours::UserRuntime), grey, true);
  solid.draw(painter);
  hatches.draw(painter);

  // User marks: a line from the entry rows to the chart bottom and the mark's number.
  std::vector<MarkColumn> marks;
  raster->markColumns(axis, marks);
  if (!marks.empty()) {
    painter.setPen(QPen(qcolor(colours::UserMark), 1));
    const int markTop = ChartTop + h * summary.count();
    QVector<QRect> lines;
    lines.reserve(static_cast<qsizetype>(marks.size()));
    for (const MarkColumn& mark : marks) {
      lines.append(QRect(mark.x, markTop, 1, chart.bottom - markTop + 1));
    }
    drawColumnBars(painter, lines, qcolor(colours::UserMark));
    painter.setFont(labelFont);
    painter.setPen(Qt::black);
    const QFontMetrics metrics = painter.fontMetrics();
    const int textTop = summaryBandTop(page, summary.userMarksRow());
    // A number is written only where it does not run into the one before: in a wide window
    // with a mark in every column the numbers would only cover each other.
    int freeFrom = std::numeric_limits<int>::min();
    for (const MarkColumn& mark : marks) {
      if (mark.x < freeFrom) {
        continue;
      }
      const QString number = QString::number(mark.number, 16).toUpper();
      textAt(painter, metrics, mark.x, textTop, number);
      freeFrom = mark.x + metrics.horizontalAdvance(number) + 1;
    }
  }

  // The clock lines as staircases: each value holds until the next change.
  const int chartHeight = (summary.count() + std::min(static_cast<int>(content.order().size()),
                                                      page.layout.rowsPerPage)) *
                          h;
  painter.setPen(QPen(qcolor(colours::Clock), 1));
  std::vector<ClockStep> steps;
  for (const bool topLevel : {false, true}) {
    steps.clear();
    raster->clockSteps(topLevel, axis, ChartTop, chartHeight, steps);
    if (steps.size() < 2) {
      continue;
    }
    QVector<QRect> bars;
    painter.drawLines(clockLines(steps, chart, bars));
    drawColumnBars(painter, bars, qcolor(colours::Clock));
  }
}

}  // namespace

TimeStepPage timeStepPage(const TimeStepContent& content, const TimeStepFrame& frame,
                          const QFont& labelFont, const QPaintDevice* device, QSize client) {
  const QFontMetrics metrics(labelFont, const_cast<QPaintDevice*>(device));
  TimeStepPage page;
  page.textHeight = metrics.height();
  page.rowHeight = std::max(1, metrics.height());
  page.labelColumnWidth =
      metrics.horizontalAdvance(QString::fromStdString(content.longestLabel().measuredText())) + 10;
  PageMetrics measures;
  measures.clientWidth = client.width();
  measures.clientHeight = client.height();
  measures.labelColumnWidth = page.labelColumnWidth;
  measures.rowHeight = page.rowHeight;
  measures.summaryRows = frame.summary.count();
  measures.visibleEntries = content.visibleEntries();
  page.layout = chartRect(measures);
  page.clientWidth = client.width();
  return page;
}

void paintTimeStepChart(QPainter& painter, const TimeStepContent& content,
                        const TimeStepFrame& frame, const TimeStepPaintFonts& fonts,
                        const TimeStepPage& page) {
  const ChartRect chart = page.chart();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(QRect(chart.left, chart.top, chart.width(), chart.bottom - chart.top),
                   qcolor(colours::ChartBackground));
  painter.save();
  // The stretches reach two columns past the right edge; nothing goes below the chart.
  painter.setClipRect(QRect(chart.left, chart.top, chart.width() + 2, chart.bottom - chart.top));
  paintGuides(painter, content, frame, page);
  if (!frame.dragging) {
    paintStretches(painter, content, frame, fonts.label, page);
  }
  painter.restore();
  paintAxis(painter, frame, fonts.label, page);
  paintPositions(painter, content, frame, fonts.label, page);
}

TimeStepPage paintTimeStepPage(QPainter& painter, const TimeStepContent& content,
                               const TimeStepFrame& frame, const TimeStepPaintFonts& fonts,
                               QSize client) {
  painter.fillRect(QRect(QPoint(0, 0), client), Qt::white);
  TimeStepPage page = timeStepPage(content, frame, fonts.label, painter.device(), client);
  if (!content.hasData()) {
    return page;
  }
  painter.setRenderHint(QPainter::Antialiasing, false);
  paintLabels(painter, content, frame, fonts, page, client.width());
  paintTimeStepChart(painter, content, frame, fonts, page);
  return page;
}

void paintTimeStepReadouts(QPainter& painter, const QFont& labelFont, const TimeStepPage& page,
                           const PointerReadouts& readouts) {
  painter.setFont(labelFont);
  painter.setPen(Qt::black);
  const QFontMetrics metrics = painter.fontMetrics();
  const int h = metrics.height();
  const int right = page.chart().right;
  rightAlignedLine(painter, metrics, right, readoutLineY(ReadoutLine::TimePos, h),
                   QString::fromStdString(readouts.timePos));
  if (readouts.markerPos) {
    rightAlignedLine(painter, metrics, right, readoutLineY(ReadoutLine::MarkerPos, h),
                     QString::fromStdString(*readouts.markerPos));
  }
}

}  // namespace kelvor::gui
