#include "views/DistributionHistogram.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "views/DistributionFigures.h"

namespace kelvor::gui {

namespace {

constexpr int BinsPerDecade = DurationDistribution::BinsPerDecade;
// Counts below 1 are not drawn on the logarithmic axis; its floor lies half a decade below 1 so
// that a bin of one activation still shows a bar.
constexpr double LogCountFloor = -0.5;
// Digits of the time axis' labels.
constexpr int TickDigits = 3;
constexpr int LinearCountTicks = 5;
// Share of a bin's slot that each of the two bars takes, and the gap before the first.
constexpr double BarShare = 0.4;
constexpr double BarGap = 0.1;

const QColor GridColour(224, 224, 224);
const QColor AxisColour(96, 96, 96);

int binIndexOf(const DurationBin& bin) {
  return durationBinIndex(bin.lower);
}

int floorDiv(int a, int b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The smallest of 1, 2 and 5 times a power of ten that is at least `raw`.
double niceStep(double raw) {
  const double power = std::pow(10.0, std::floor(std::log10(std::max(raw, 1.0))));
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (factor * power >= raw) {
      return factor * power;
    }
  }
  return 10.0 * power;
}

QString countText(double count) {
  return QString::number(count, 'f', 0);
}

// The count axis: linear from 0, or logarithmic from LogCountFloor decades.
struct CountAxis {
  bool logarithmic = false;
  double top = 1.0;   // linear: a count; logarithmic: decades
  double step = 1.0;  // linear only
  double bottomY = 0.0;
  double topY = 0.0;

  CountAxis(bool log, std::uint64_t largest) : logarithmic(log) {
    const double most = std::max<double>(static_cast<double>(largest), 1.0);
    if (logarithmic) {
      top = std::max(1.0, std::ceil(std::log10(most)));
    } else {
      step = niceStep(most / LinearCountTicks);
      top = std::ceil(most / step) * step;
    }
  }
  double position(double count) const {
    if (logarithmic) {
      return (std::log10(count) - LogCountFloor) / (top - LogCountFloor);
    }
    return count / top;
  }
  double y(double count) const { return bottomY - position(count) * (bottomY - topY); }
  std::vector<double> ticks() const {
    std::vector<double> values;
    if (logarithmic) {
      for (int decade = 0; decade <= static_cast<int>(top); ++decade) {
        values.push_back(std::pow(10.0, decade));
      }
    } else {
      for (double v = 0.0; v <= top + step / 2; v += step) {
        values.push_back(v);
      }
    }
    return values;
  }
};

// The time axis in bin units (bin k spans [k, k+1)), whole decades wide.
struct TimeAxis {
  int first = 0;  // bin index at the left edge
  int last = 0;   // bin index at the right edge
  double left = 0.0;
  double right = 0.0;

  double x(double units) const { return left + (units - first) / (last - first) * (right - left); }
  double xOfDuration(double seconds) const { return x(BinsPerDecade * std::log10(seconds)); }
};

struct Series {
  const DurationDistribution* distribution;
  QColor colour;
  const char* name;
};

// The P50, P99 and max of a series as dashed lines from its label row down through the plot.
// Markers that fall on the same spot share a line and a label ("P99/max"); a label moves right
// of its neighbour rather than covering it, and stays inside the widget.
void paintMarkers(QPainter& painter, const Series& series, const TimeAxis& time, const QRectF& area,
                  double rowTop, int widgetWidth) {
  const DurationDistribution& d = *series.distribution;
  if (d.count == 0) {
    return;
  }
  constexpr double SameSpot = 3.0;  // pixels
  struct Marker {
    double x;
    QString label;
  };
  std::vector<Marker> markers;
  const std::array<std::pair<const char*, double>, 3> figures{
      {{"P50", d.p50}, {"P99", d.p99}, {"max", d.max}}};
  for (const auto& [label, seconds] : figures) {
    if (!(seconds > 0.0)) {
      continue;
    }
    const double x = std::clamp(time.xOfDuration(seconds), area.left(), area.right());
    if (!markers.empty() && std::abs(markers.back().x - x) < SameSpot) {
      markers.back().label += QString("/") + label;
    } else {
      markers.push_back({x, label});
    }
  }

  const QColor colour = series.colour.darker(130);
  const QFontMetrics metrics = painter.fontMetrics();
  const double line = metrics.height();
  double rowEnd = -1.0e9;
  for (const Marker& marker : markers) {
    painter.setPen(QPen(colour, 1.0, Qt::DashLine));
    painter.drawLine(QPointF(marker.x, rowTop + line), QPointF(marker.x, area.bottom()));
    const QString text = QString("%1 %2").arg(series.name, marker.label);
    const double textWidth = metrics.horizontalAdvance(text);
    double textLeft = std::max(marker.x - textWidth / 2, rowEnd + 8);
    textLeft = std::min(textLeft, widgetWidth - textWidth - 2);
    painter.setPen(colour);
    painter.drawText(QRectF(textLeft, rowTop, textWidth, line), Qt::AlignCenter, text);
    rowEnd = textLeft + textWidth;
  }
}

}  // namespace

DistributionHistogram::DistributionHistogram(QWidget* parent) : QWidget(parent) {
  setObjectName("distributionHistogram");
  setAutoFillBackground(false);
}

void DistributionHistogram::setDistribution(const EntryDistribution& distribution) {
  distribution_ = distribution;
  update();
}

void DistributionHistogram::setLogarithmicCounts(bool logarithmic) {
  logarithmicCounts_ = logarithmic;
  update();
}

void DistributionHistogram::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  painter.setPen(palette().text().color());
  const QFontMetrics metrics = fontMetrics();
  const int line = metrics.height();

  const std::array<Series, 2> series{
      {{&distribution_.net, netColour(), "net"}, {&distribution_.gross, grossColour(), "gross"}}};
  bool anyBin = false;
  int firstBin = 0;
  int lastBin = 0;
  std::uint64_t largest = 0;
  for (const Series& s : series) {
    const std::vector<DurationBin>& bins = s.distribution->bins;
    if (bins.empty()) {
      continue;
    }
    const int first = binIndexOf(bins.front());
    const int last = first + static_cast<int>(bins.size()) - 1;
    firstBin = anyBin ? std::min(firstBin, first) : first;
    lastBin = anyBin ? std::max(lastBin, last) : last;
    anyBin = true;
    for (const DurationBin& bin : bins) {
      largest = std::max(largest, bin.count);
    }
  }
  if (!anyBin) {
    const bool none = distribution_.net.count == 0 && distribution_.gross.count == 0;
    painter.drawText(rect(), Qt::AlignCenter,
                     none ? "No activation in the analysed window"
                          : "Every activation lasted zero time: nothing to draw on a time axis");
    return;
  }

  CountAxis counts(logarithmicCounts_, largest);
  const std::vector<double> countTicks = counts.ticks();
  int countLabelWidth = 0;
  for (const double tick : countTicks) {
    countLabelWidth = std::max(countLabelWidth, metrics.horizontalAdvance(countText(tick)));
  }
  // Above the plot: the legend row, then one row of marker labels per series.
  const double areaLeft = countLabelWidth + 14;
  const double areaTop = 3 * line + 8;
  const QRectF area(areaLeft, areaTop, width() - areaLeft - 20, height() - areaTop - 2 * line - 12);
  if (area.width() < 40 || area.height() < 40) {
    return;
  }
  counts.bottomY = area.bottom();
  counts.topY = area.top();

  TimeAxis time;
  time.first = floorDiv(firstBin, BinsPerDecade) * BinsPerDecade;
  time.last = (floorDiv(lastBin, BinsPerDecade) + 1) * BinsPerDecade;
  time.left = area.left();
  time.right = area.right();

  // Grid and count labels.
  painter.setPen(GridColour);
  for (const double tick : countTicks) {
    painter.drawLine(QPointF(area.left(), counts.y(tick)), QPointF(area.right(), counts.y(tick)));
  }
  for (int k = time.first; k <= time.last; k += BinsPerDecade) {
    painter.drawLine(QPointF(time.x(k), area.top()), QPointF(time.x(k), area.bottom()));
  }
  painter.setPen(palette().text().color());
  for (const double tick : countTicks) {
    const QRectF label(0, counts.y(tick) - line / 2.0, area.left() - 6, line);
    painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, countText(tick));
  }

  // Bars: in each bin's slot the net bar left of the gross bar.
  const double slot = time.x(time.first + 1) - time.x(time.first);
  for (std::size_t index = 0; index < series.size(); ++index) {
    const std::vector<DurationBin>& bins = series[index].distribution->bins;
    if (bins.empty()) {
      continue;
    }
    const int first = binIndexOf(bins.front());
    painter.setPen(Qt::NoPen);
    painter.setBrush(series[index].colour);
    for (std::size_t b = 0; b < bins.size(); ++b) {
      if (bins[b].count == 0) {
        continue;
      }
      const double x = time.x(first + static_cast<int>(b)) +
                       slot * (BarGap + BarShare * static_cast<double>(index));
      const double top = counts.y(static_cast<double>(bins[b].count));
      painter.drawRect(QRectF(x, top, std::max(1.0, slot * BarShare), area.bottom() - top));
    }
  }

  // Axes, bin ticks and decade labels; labels that would touch their neighbour are left out.
  painter.setPen(AxisColour);
  painter.setBrush(Qt::NoBrush);
  painter.drawLine(area.bottomLeft(), area.bottomRight());
  painter.drawLine(area.bottomLeft(), area.topLeft());
  for (int k = time.first; k <= time.last; ++k) {
    const double length = k % BinsPerDecade == 0 ? 6.0 : 3.0;
    painter.drawLine(QPointF(time.x(k), area.bottom()), QPointF(time.x(k), area.bottom() + length));
  }
  painter.setPen(palette().text().color());
  double labelsEnd = -1.0e9;
  for (int k = time.first; k <= time.last; k += BinsPerDecade) {
    const QString text = QString::fromStdString(durationText(durationBinEdge(k), TickDigits));
    const double half = metrics.horizontalAdvance(text) / 2.0;
    const double centre = time.x(k);
    if (centre - half < labelsEnd + 8 || centre + half > width()) {
      continue;
    }
    painter.drawText(QRectF(centre - half, area.bottom() + 7, 2 * half, line), Qt::AlignCenter,
                     text);
    labelsEnd = centre + half;
  }
  painter.drawText(QRectF(area.left(), area.bottom() + 7 + line, area.width(), line),
                   Qt::AlignCenter, "duration");
  painter.drawText(QRectF(0, 4, area.left() + 200, line), Qt::AlignLeft | Qt::AlignVCenter,
                   logarithmicCounts_ ? "activations (log)" : "activations");

  // Markers of each series, labelled in the series' own row.
  for (std::size_t index = 0; index < series.size(); ++index) {
    const double rowTop = 4 + line * (1 + static_cast<double>(index)) + 2;
    paintMarkers(painter, series[index], time, area, rowTop, width());
  }

  // Legend, right of the first row.
  double legendRight = width() - 20;
  for (auto it = series.rbegin(); it != series.rend(); ++it) {
    const double textWidth = metrics.horizontalAdvance(it->name);
    const double left = legendRight - textWidth - line - 4;
    painter.fillRect(QRectF(left, 4 + 2, line - 4, line - 4), it->colour);
    painter.setPen(palette().text().color());
    painter.drawText(QRectF(left + line, 4, textWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
                     it->name);
    legendRight = left - 14;
  }
  const std::uint64_t zeros = distribution_.net.zeros + distribution_.gross.zeros;
  if (zeros != 0) {
    const QString note = QString("zero durations not drawn: net %1, gross %2")
                             .arg(distribution_.net.zeros)
                             .arg(distribution_.gross.zeros);
    painter.drawText(QRectF(area.left(), 4, legendRight - area.left(), line),
                     Qt::AlignRight | Qt::AlignVCenter, note);
  }
}

}  // namespace kelvor::gui
