#include "views/TimeStepPaintPrimitives.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace kelvor::gui {

void textAt(QPainter& painter, const QFontMetrics& metrics, int x, int y, const QString& text) {
  painter.drawText(QPoint(x, y + metrics.ascent()), text);
}

void rightAlignedLine(QPainter& painter, const QFontMetrics& metrics, int right, int y,
                      const QString& text) {
  const int width = metrics.horizontalAdvance(text);
  painter.fillRect(QRect(right - width, y, width, metrics.height()), Qt::white);
  textAt(painter, metrics, right - width, y, text);
}

// Bars one column wide (user marks, the clock in a column over many changes). A chart of a
// wide window has one in nearly every column, each nearly as high as the chart; written straight
// into the pixels of the image the page is painted on they cost a fraction of what the painter's
// line and rectangle filling takes. Any other device (a printer, a scaled image) gets rectangles.
void drawColumnBars(QPainter& painter, const QVector<QRect>& bars, const QColor& colour) {
  QPaintDevice* device = painter.device();
  auto* image = device != nullptr && device->devType() == QInternal::Image
                    ? static_cast<QImage*>(device)
                    : nullptr;
  const bool direct = image != nullptr && image->isDetached() &&
                      (image->format() == QImage::Format_RGB32 ||
                       image->format() == QImage::Format_ARGB32_Premultiplied) &&
                      painter.deviceTransform().isIdentity() &&
                      painter.compositionMode() == QPainter::CompositionMode_SourceOver;
  if (!direct) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRects(bars);
    painter.restore();
    return;
  }
  const QRect area = painter.hasClipping()
                         ? painter.clipBoundingRect().toAlignedRect() & image->rect()
                         : image->rect();
  int top = std::numeric_limits<int>::max();
  int bottom = std::numeric_limits<int>::min();
  for (const QRect& bar : bars) {
    top = std::min(top, bar.top());
    bottom = std::max(bottom, bar.bottom());
  }
  top = std::max(top, area.top());
  bottom = std::min(bottom, area.bottom());
  const QRgb value = colour.rgb();
  // Row by row, so that the writes go through the image in memory order.
  for (int y = top; y <= bottom; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image->scanLine(y));
    for (const QRect& bar : bars) {
      if (y >= bar.top() && y <= bar.bottom() && bar.left() >= area.left() &&
          bar.left() <= area.right()) {
        line[bar.left()] = value;
      }
    }
  }
}

// The lines of a clock staircase. Each column gets one vertical line over every value it
// holds (a column over many changes is one bar, not a line drawn over itself at every change),
// and only steps longer than a column get a horizontal line.
QVector<QLine> clockLines(const std::vector<ClockStep>& steps, const ChartRect& chart,
                          QVector<QRect>& bars) {
  const int left = chart.left;
  const int columns = chart.width() + 1;
  std::vector<std::pair<int, int>> extent(
      static_cast<std::size_t>(columns),
      {std::numeric_limits<int>::max(), std::numeric_limits<int>::min()});
  const auto cover = [&](int x, int y0, int y1) {
    const int column = std::clamp(x - left, 0, columns - 1);
    auto& [low, high] = extent[static_cast<std::size_t>(column)];
    low = std::min({low, y0, y1});
    high = std::max({high, y0, y1});
  };
  QVector<QLine> lines;
  for (std::size_t i = 1; i < steps.size(); ++i) {
    const ClockStep& from = steps[i - 1];
    const ClockStep& to = steps[i];
    if (to.x - from.x > 1) {
      lines.append(QLine(from.x, from.y, to.x, from.y));
    } else {
      cover(from.x, from.y, from.y);
    }
    cover(to.x, from.y, to.y);
  }
  for (int column = 0; column < columns; ++column) {
    const auto [low, high] = extent[static_cast<std::size_t>(column)];
    if (low <= high) {
      bars.append(QRect(left + column, low, 1, high - low + 1));
    }
  }
  return lines;
}

}  // namespace kelvor::gui
