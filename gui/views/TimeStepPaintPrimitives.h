#pragma once

#include <QColor>
#include <QFontMetrics>
#include <QLine>
#include <QPainter>
#include <QRect>
#include <QVector>
#include <array>
#include <vector>

#include "timestep/SegmentRaster.h"
#include "timestep/TimeStepLayout.h"

namespace kelvor::gui {

// The drawing pieces of the time-step page that know nothing of its layout.

inline QColor qcolor(Rgb rgb) {
  return QColor(rgb.r, rgb.g, rgb.b);
}

// Rectangles collected per brush and drawn in one call each, without outlines.
class BrushBatches {
 public:
  void add(const QColor& colour, Qt::BrushStyle style, const QRect& rect) {
    const QRgb key = colour.rgb();
    for (Batch& batch : batches_) {
      if (batch.key == key && batch.style == style) {
        batch.rects.append(rect);
        return;
      }
    }
    batches_.push_back(Batch{key, style, colour, {rect}});
  }
  void draw(QPainter& painter) const {
    painter.setPen(Qt::NoPen);
    for (const Batch& batch : batches_) {
      painter.setBrush(QBrush(batch.colour, batch.style));
      painter.drawRects(batch.rects);
    }
  }

 private:
  struct Batch {
    QRgb key;
    Qt::BrushStyle style;
    QColor colour;
    QVector<QRect> rects;
  };
  std::vector<Batch> batches_;
};

// Draws a text with its top-left corner at (x, y).
void textAt(QPainter& painter, const QFontMetrics& metrics, int x, int y, const QString& text);

// A text right-aligned at `right` on a white band, so that it covers a longer earlier one.
void rightAlignedLine(QPainter& painter, const QFontMetrics& metrics, int right, int y,
                      const QString& text);

// The class rows as one colour per column: each entry's running stretches are painted over the
// columns of those before it (in ascending id), and the rows are then drawn as runs of equal
// colour. A class row of a wide window would otherwise be filled once per entry of its class.
class ClassRowColumns {
 public:
  ClassRowColumns(int left, int width) : left_(left), width_(std::max(0, width)) {}

  void paint(int classRow, const std::vector<ColumnRun>& runs, QRgb colour) {
    std::vector<QRgb>& columns = rows_[static_cast<std::size_t>(classRow)];
    if (columns.empty()) {
      columns.assign(static_cast<std::size_t>(width_), Empty);
    }
    for (const ColumnRun& run : runs) {
      if (run.state != SegmentState::Running) {
        continue;
      }
      const int from = std::clamp(run.x0 - left_, 0, width_);
      const int to = std::clamp(run.x1 - left_, 0, width_);
      std::fill(columns.begin() + from, columns.begin() + to, colour);
    }
  }

  void addTo(BrushBatches& batches, int rowHeight) const {
    for (std::size_t row = 0; row < rows_.size(); ++row) {
      const std::vector<QRgb>& columns = rows_[row];
      const int top = ChartTop + rowHeight * static_cast<int>(row);
      std::size_t x = 0;
      while (x < columns.size()) {
        std::size_t end = x + 1;
        while (end < columns.size() && columns[end] == columns[x]) {
          ++end;
        }
        if (columns[x] != Empty) {
          batches.add(
              QColor::fromRgb(columns[x]), Qt::SolidPattern,
              QRect(left_ + static_cast<int>(x), top, static_cast<int>(end - x), rowHeight));
        }
        x = end;
      }
    }
  }

 private:
  // No alpha: no entry colour is transparent.
  static constexpr QRgb Empty = 0;
  int left_;
  int width_;
  std::array<std::vector<QRgb>, ClassRowLabels.size()> rows_;
};

// Bars one column wide (user marks, the clock in a column over many changes), drawn straight into
// the pixels of a 32-bit image painted 1:1, as rectangles on any other device.
void drawColumnBars(QPainter& painter, const QVector<QRect>& bars, const QColor& colour);

// The lines of a clock staircase inside the chart; `bars` receives the one-column bars.
QVector<QLine> clockLines(const std::vector<ClockStep>& steps, const ChartRect& chart,
                          QVector<QRect>& bars);

}  // namespace kelvor::gui
