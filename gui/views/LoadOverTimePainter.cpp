#include "views/LoadOverTimePainter.h"

#include <QFontMetrics>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>

#include "timestep/TimeStepLayout.h"
#include "views/TimeStepPaintPrimitives.h"

namespace kelvor::gui {

namespace {

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor Grid(215, 215, 215);
const QColor TickGrey(100, 100, 100);

constexpr int TextPixels = 12;
constexpr int TitlePixels = 17;
constexpr int LeftMargin = 56;
constexpr int RightMargin = 12;
constexpr int LegendWidth = 230;
constexpr int LegendGap = 14;
constexpr int SwatchWidth = 18;
constexpr int PercentStep = 10;
// Pixels between 100 % and the plot's top edge, so that a full load stays visible.
constexpr int Headroom = 8;
constexpr int FullPercent = 100;
constexpr double SummedPenWidth = 2.5;
constexpr double SeriesPenWidth = 1.4;
constexpr int AreaAlpha = 210;
// Hue steps of the golden angle keep neighbouring columns apart for any number of them.
constexpr int HueStep = 137;
constexpr int FullCircle = 360;

QFont pixelFont(int pixels, bool bold) {
  QFont font("Arial");
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

// Maps times and shares onto the plot with sub-pixel precision.
struct PlotMapping {
  QRectF plot;
  double viewStart;
  double viewSpan;

  double x(double t) const { return plot.left() + (t - viewStart) / viewSpan * plot.width(); }
  double y(double share) const { return plot.bottom() - share * (plot.height() - Headroom); }
};

// The step line of one value per interval: level across each interval.
QPolygonF stepLine(const PlotMapping& map, const LoadOverTime& load,
                   const std::vector<double>& values) {
  QPolygonF line;
  line.reserve(static_cast<qsizetype>(2 * values.size()));
  for (std::size_t k = 0; k < values.size(); ++k) {
    const double y = map.y(values[k]);
    line << QPointF(map.x(load.start(k)), y) << QPointF(map.x(load.end(k)), y);
  }
  return line;
}

void paintFrame(QPainter& painter, const LoadOverTimeChart& chart, const QRect& plot,
                const QFontMetrics& metrics) {
  const int h = metrics.height();
  for (int percent = 0; percent <= FullPercent; percent += PercentStep) {
    const int y = plot.bottom() - (plot.height() - Headroom) * percent / FullPercent;
    painter.setPen(QPen(Grid, 1));
    painter.drawLine(plot.left(), y, plot.right(), y);
    painter.setPen(Black);
    const QString value = QString::number(percent);
    painter.drawText(QRect(0, y - h / 2, plot.left() - 6, h), Qt::AlignRight | Qt::AlignVCenter,
                     value);
  }
  painter.drawText(QRect(4, plot.top() - 2 * h, LeftMargin * 2, h), Qt::AlignLeft, "Percent [%]");

  // The time axis of the time-step chart, over this plot.
  const TimeAxis axis(chart.window.viewStart, chart.window.viewSpan, plot.left(), plot.width());
  for (const AxisTick& tick : axisTicks(axis)) {
    painter.setPen(QPen(tick.major ? Black : TickGrey, 1));
    painter.drawLine(tick.x, plot.bottom(), tick.x, plot.bottom() + (tick.major ? 6 : 3));
    if (tick.major) {
      const QString label = QString::fromStdString(tick.label);
      const int width = metrics.horizontalAdvance(label);
      painter.drawText(QRect(tick.x - width / 2, plot.bottom() + 7, width, h), Qt::AlignCenter,
                       label);
    }
  }
  painter.setPen(Black);
  painter.drawText(QRect(plot.right() - 40, plot.bottom() + 7 + h, 40, h), Qt::AlignRight,
                   AxisUnitLabel);
  painter.drawRect(plot);
}

void paintData(QPainter& painter, const LoadOverTimeChart& chart, const QRect& plot) {
  const LoadOverTime& load = *chart.load;
  const PlotMapping map{QRectF(plot), chart.window.viewStart, chart.window.viewSpan};
  const std::size_t n = load.intervalCount();
  painter.save();
  painter.setClipRect(plot.adjusted(1, 1, 0, 0));
  painter.setRenderHint(QPainter::Antialiasing, true);

  std::vector<double> values(n, 0.0);
  if (chart.stacked) {
    std::vector<double> below(n, 0.0);
    for (const LoadSeries& series : chart.series) {
      for (std::size_t k = 0; k < n; ++k) {
        values[k] = below[k] + load.share(series.column, k);
      }
      QPolygonF area = stepLine(map, load, values);
      const QPolygonF floor = stepLine(map, load, below);
      for (qsizetype i = floor.size() - 1; i >= 0; --i) {
        area << floor[i];
      }
      QColor fill = series.colour;
      fill.setAlpha(AreaAlpha);
      painter.setPen(Qt::NoPen);
      painter.setBrush(fill);
      painter.drawPolygon(area);
      below = values;
    }
    painter.setBrush(Qt::NoBrush);
  } else {
    for (const LoadSeries& series : chart.series) {
      for (std::size_t k = 0; k < n; ++k) {
        values[k] = load.share(series.column, k);
      }
      painter.setPen(QPen(series.colour, SeriesPenWidth));
      painter.drawPolyline(stepLine(map, load, values));
    }
  }
  for (std::size_t k = 0; k < n; ++k) {
    values[k] = load.load(k);
  }
  painter.setPen(QPen(Black, SummedPenWidth));
  painter.drawPolyline(stepLine(map, load, values));
  painter.restore();

  // The markers of the time-step chart, where they lie in the shown range.
  const TimeAxis axis(chart.window.viewStart, chart.window.viewSpan, plot.left(), plot.width());
  // Their numbers stand above the plot, clear of a full load's line.
  const QFontMetrics metrics = painter.fontMetrics();
  int number = 1;
  for (const Marker& marker : {chart.markers.marker1, chart.markers.marker2}) {
    if (marker.set && axis.sideOf(marker.time) == Side::Inside) {
      const int x = axis.timeToX(marker.time);
      painter.setPen(QPen(qcolor(timestep_colours::Marker), 1, Qt::DashLine));
      painter.drawLine(x, plot.top(), x, plot.bottom());
      painter.setPen(qcolor(timestep_colours::Marker));
      painter.drawText(
          QPoint(x - metrics.horizontalAdvance('0') / 2, plot.top() - metrics.descent() - 1),
          QString::number(number));
    }
    ++number;
  }
}

void paintLegend(QPainter& painter, const LoadOverTimeChart& chart, const QRect& legend,
                 const QFontMetrics& metrics) {
  const int rowHeight = metrics.height() + 4;
  const int rows = std::max(1, legend.height() / rowHeight);
  const std::size_t total = chart.series.size() + 1;
  const std::size_t shown = total <= static_cast<std::size_t>(rows) ? total : rows - 1;
  int y = legend.top();
  auto item = [&](const QColor& colour, double width, const QString& name) {
    const int middle = y + rowHeight / 2;
    painter.setPen(QPen(colour, width));
    painter.drawLine(legend.left(), middle, legend.left() + SwatchWidth, middle);
    painter.setPen(Black);
    const QRect text(legend.left() + SwatchWidth + 6, y, legend.width() - SwatchWidth - 6,
                     rowHeight);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(name, Qt::ElideRight, text.width()));
    y += rowHeight;
  };
  item(Black, SummedPenWidth + 1, SummedLoadName);
  for (std::size_t i = 0; i + 1 < shown; ++i) {
    item(chart.series[i].colour, chart.stacked ? rowHeight / 2.0 : SeriesPenWidth + 1,
         chart.series[i].name);
  }
  if (shown < total) {
    painter.setPen(Black);
    painter.drawText(QRect(legend.left(), y, legend.width(), rowHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, QString("+ %1 more").arg(total - shown));
  }
}

QString subtitle(const LoadOverTimeChart& chart) {
  const LoadOverTime& load = *chart.load;
  const ScaledTime length = scaleTime(load.end(0) - load.start(0));
  return QString("%1 intervals of %2 %3, %4")
      .arg(load.intervalCount())
      .arg(length.value, 0, 'g', 4)
      .arg(length.unit)
      .arg(chart.stacked ? "stacked areas" : "lines");
}

}  // namespace

QColor loadSeriesColour(std::size_t column) {
  const int hue = static_cast<int>((column * HueStep) % FullCircle);
  return QColor::fromHsv(hue, 200, column % 2 == 0 ? 210 : 160);
}

QFont loadOverTimeFont() {
  return pixelFont(TextPixels, false);
}

LoadOverTimeLayout loadOverTimeLayout(QSize size, int textHeight) {
  const int legendWidth = std::min(LegendWidth, size.width() / 4);
  const int top = 4 * textHeight + 8;
  const int bottom = size.height() - 3 * textHeight - 8;
  const int right = size.width() - legendWidth - LegendGap - RightMargin;
  LoadOverTimeLayout layout;
  layout.plot = QRect(QPoint(LeftMargin, top),
                      QPoint(std::max(LeftMargin + 1, right), std::max(top + 1, bottom)));
  layout.legend = QRect(QPoint(layout.plot.right() + LegendGap, top),
                        QPoint(size.width() - RightMargin, std::max(top + 1, bottom)));
  return layout;
}

void paintLoadOverTime(QPainter& painter, const LoadOverTimeChart& chart, QSize size) {
  painter.fillRect(QRect(QPoint(0, 0), size), White);
  painter.setFont(loadOverTimeFont());
  const QFontMetrics metrics = painter.fontMetrics();
  const LoadOverTimeLayout layout = loadOverTimeLayout(size, metrics.height());

  painter.setFont(pixelFont(TitlePixels, true));
  painter.setPen(Black);
  const int titleHeight = painter.fontMetrics().height();
  painter.drawText(QRect(0, 4, size.width(), titleHeight), Qt::AlignCenter, LoadOverTimeTitle);
  painter.setFont(loadOverTimeFont());

  const bool ready = chart.state == LoadOverTimeChart::State::Ready && chart.load != nullptr &&
                     !chart.load->empty() && chart.window.viewSpan > 0.0;
  if (!ready) {
    const char* text =
        chart.state == LoadOverTimeChart::State::Computing ? "Computing the load over time ..."
        : chart.state == LoadOverTimeChart::State::NoData  ? "No trace data."
                                                           : "The shown range has no length.";
    painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, text);
    return;
  }
  painter.drawText(QRect(0, 6 + titleHeight, size.width(), metrics.height()), Qt::AlignCenter,
                   subtitle(chart));
  paintFrame(painter, chart, layout.plot, metrics);
  paintData(painter, chart, layout.plot);
  paintLegend(painter, chart, layout.legend, metrics);
}

}  // namespace kelvor::gui
