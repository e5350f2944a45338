#include "views/ProcessorLoadChart.h"

#include <algorithm>

#include "common/TextFormat.h"
#include "model/TraceEvent.h"

namespace kelvor {

namespace {

constexpr std::size_t ManyEntries = 26;  // from here on the chart grows with the entries
constexpr int PixelsPerEntry = 30;
constexpr int NarrowScrollWidth = 700;
constexpr int BarRowReserve = 15;  // of the chart width, right of the last possible bar
constexpr int ScaleSteps = 10;
constexpr int ScaleStepPercent = 10;

}  // namespace

int loadChartScrollWidth(std::size_t entryCount) {
  return entryCount >= ManyEntries ? PixelsPerEntry * static_cast<int>(entryCount)
                                   : NarrowScrollWidth;
}

LoadChartGeometry loadChartGeometry(int width, int height, std::size_t entryCount) {
  LoadChartGeometry g;
  g.width = width;
  g.height = height;
  g.x0 = 10 * width / 117;
  g.chartWidth = 100 * width / 117;
  g.axisRight = g.x0 + 20 * width / 23;
  g.base = 5 * height / 7;
  g.axisTop = g.base - 4 * height / 7;
  g.h100 = 4 * height / 7 - height / 35;
  g.tick = width / 70;
  // Unsigned in the original arithmetic; a chart too narrow for its reserve has no bar width
  // rather than a wrapped-around one.
  const auto room = static_cast<std::size_t>(std::max(0, g.chartWidth - BarRowReserve));
  g.barWidth = static_cast<int>(room / (entryCount + 1));
  g.firstBarLeft = g.x0 + 1;
  return g;
}

std::vector<LoadScaleMark> loadScaleMarks(const LoadChartGeometry& geometry) {
  std::vector<LoadScaleMark> marks;
  const int step = geometry.h100 / ScaleSteps;
  if (step <= 0) {
    return marks;
  }
  for (int k = 1;; ++k) {
    const int y = geometry.base - k * step;
    if (y <= geometry.axisTop) {
      break;
    }
    marks.push_back({y, ScaleStepPercent * k});
  }
  return marks;
}

std::string loadBarName(std::uint32_t entryId, const EntryNaming& naming) {
  std::string text;
  if (entryId >= InterruptIdBase) {
    appendFormat(text, "0x%02x ", entryId - InterruptIdBase);
  } else {
    appendFormat(text, "0x%04x ", entryId == 0 ? naming.priority(entryId) : entryId);
  }
  text += naming.name(entryId);
  return text;
}

namespace {

LoadBar makeBar(std::uint32_t entryId, bool cpuLoad, double share, std::string name) {
  LoadBar bar;
  bar.entryId = entryId;
  bar.cpuLoad = cpuLoad;
  bar.share = share;
  appendFormat(bar.percentText, "%1.2f", share * 100.0);
  bar.nameText = std::move(name);
  return bar;
}

}  // namespace

std::vector<LoadBar> loadChartBars(const StatisticsEngine& engine, const EntryNaming& naming) {
  const StatisticsEngine::StatsMap& stats = engine.statistics();
  const double span = engine.windowSpan();
  double total = 0.0;
  for (const auto& [id, record] : stats) {
    total += record.totalWithoutInt;
  }
  std::vector<LoadBar> bars;
  bars.reserve(stats.size() + 1);
  bars.push_back(makeBar(0, true, runTimeShare(total, span), CpuLoadBarName));
  for (const auto& [id, record] : stats) {
    const double share = runTimeShare(record.totalWithoutInt, span);
    if (share >= LoadBarMinimumShare) {
      bars.push_back(makeBar(id, false, share, loadBarName(id, naming)));
    }
  }
  return bars;
}

LoadBarRect loadBarRect(const LoadChartGeometry& geometry, std::size_t index, double share) {
  LoadBarRect rect;
  rect.left = geometry.firstBarLeft + static_cast<int>(index) * geometry.barWidth;
  rect.right = rect.left + geometry.barWidth;
  rect.top = static_cast<int>(geometry.base - geometry.h100 * share);
  rect.bottom = geometry.base - 1;
  return rect;
}

LoadBarBrush loadBarBrush(std::size_t index) {
  return index % 2 == 0 ? LoadBarBrush::LightBlue : LoadBarBrush::LightYellow;
}

LoadBarRange loadBarsInColumns(const LoadChartGeometry& geometry, std::size_t barCount, int left,
                               int right) {
  const int width = geometry.barWidth;
  if (width <= 0 || barCount == 0) {
    return {0, barCount};
  }
  // Bar i covers [firstBarLeft + i B, firstBarLeft + (i + 1) B).
  const auto index = [&](int x) {
    const int offset = x - geometry.firstBarLeft;
    if (offset <= 0) {
      return std::size_t{0};
    }
    return std::min(barCount, static_cast<std::size_t>(offset / width));
  };
  const std::size_t first = index(left);
  std::size_t last = index(right - 1);
  if (right - 1 >= geometry.firstBarLeft && last < barCount) {
    ++last;
  }
  return {first, std::max(first, last)};
}

UpwardTextOrigin loadPercentLabelOrigin(const LoadChartGeometry& geometry, std::size_t index,
                                        int barTop, double share, int textWidth, int textHeight) {
  const int column = geometry.x0 + geometry.tick / 10 + static_cast<int>(index) * geometry.barWidth;
  const int centring = textWidth > geometry.barWidth ? 0 : (geometry.barWidth - textWidth) / 2;
  UpwardTextOrigin origin;
  origin.x = column + centring + textWidth / 8;
  // Small shares above the bar; from a half on inside it, clear of its top.
  origin.y = share < 0.5 ? barTop - textHeight - geometry.tick / 2
                         : barTop + 4 * textHeight - geometry.tick / 2;
  return origin;
}

UpwardTextOrigin loadNameLabelOrigin(const LoadChartGeometry& geometry, std::size_t index,
                                     int textWidth, int textHeight) {
  const int left = geometry.firstBarLeft + static_cast<int>(index) * geometry.barWidth;
  UpwardTextOrigin origin;
  origin.x = left + (geometry.barWidth - textHeight) / 2;
  origin.y = geometry.base + geometry.tick / 2 + textWidth;
  return origin;
}

int printedNamePixelSize(int boldPixelSize, int labelXWidth, int barWidth) {
  // 1.5 x > B, in integers: 3 x > 2 B.
  if (3 * labelXWidth <= 2 * barWidth) {
    return boldPixelSize;
  }
  const int size = 2 * boldPixelSize * std::max(0, barWidth) / (3 * labelXWidth);
  return std::max(1, size);
}

}  // namespace kelvor
