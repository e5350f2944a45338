#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/StatisticsEngine.h"
#include "model/EntryNaming.h"

namespace kelvor {

// The processor-load chart: one bar for the summed load of all entries ("CPU-Load"), then one
// bar per entry as high as its share of the analysed window. Everything here is in pixels of the
// device the chart is drawn on; every conversion to an integer truncates.

inline constexpr const char* LoadChartTitle = "Percental Processor Load";
inline constexpr const char* LoadChartAxisCaption = "Percent [%]";
inline constexpr const char* CpuLoadBarName = "CPU-Load";

// The scroll area of the chart on the screen: 30 pixels per entry from 26 entries on, else 700,
// and always 800 high.
inline constexpr int LoadChartScrollHeight = 800;
int loadChartScrollWidth(std::size_t entryCount);

// An entry gets a bar only from this share on; smaller ones take no place either.
inline constexpr double LoadBarMinimumShare = 0.0001;

// Where the frame and the bars lie for a chart of width W and height H.
struct LoadChartGeometry {
  int width = 0;       // W
  int height = 0;      // H
  int x0 = 0;          // the vertical axis: 10W/117
  int chartWidth = 0;  // Wc = 100W/117
  int axisRight = 0;   // right end of the horizontal axis: x0 + 20W/23
  int base = 0;        // the horizontal axis, 0 %: 5H/7
  int axisTop = 0;     // top of the vertical axis: base - 4H/7
  int h100 = 0;        // the height of 100 %: 4H/7 - H/35
  int tick = 0;        // t: tick and arrow size, W/70
  int barWidth = 0;    // B = (Wc - 15) / (n + 1)
  int firstBarLeft = 0;

  int chartRight() const { return x0 + chartWidth; }
};

LoadChartGeometry loadChartGeometry(int width, int height, std::size_t entryCount);

// One line of the percent scale: the value written left of the axis at height y.
struct LoadScaleMark {
  int y = 0;
  int percent = 0;
};
// The marks every tenth of h100 above the base while they stay below the top of the axis.
std::vector<LoadScaleMark> loadScaleMarks(const LoadChartGeometry& geometry);

enum class LoadBarBrush : std::uint8_t { LightBlue, LightYellow };

// One bar independent of the geometry: its share, the percent label and the name below the axis.
struct LoadBar {
  std::uint32_t entryId = 0;  // 0 for the CPU-Load bar as well
  bool cpuLoad = false;
  double share = 0.0;
  std::string percentText;  // "%1.2f" of the percent
  std::string nameText;
};

// The bars of a chart in the order they are drawn: CPU-Load, then every entry in ascending id
// whose share reaches LoadBarMinimumShare. Names and priorities come from `naming`.
std::vector<LoadBar> loadChartBars(const StatisticsEngine& engine, const EntryNaming& naming);

// The name written below a bar: "0x%02x %s" of an interrupt's number (id less InterruptIdBase,
// for every id from there up), "0x%04x %s" of a process id; process 0 is shown by its priority.
std::string loadBarName(std::uint32_t entryId, const EntryNaming& naming);

// A bar's rectangle: the outline covers the pixels from left to right - 1 and from top to
// bottom - 1, so the next bar starts at `right`.
struct LoadBarRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};
// The rectangle of the bar at `index` (0 is CPU-Load) of the given share.
LoadBarRect loadBarRect(const LoadChartGeometry& geometry, std::size_t index, double share);
LoadBarBrush loadBarBrush(std::size_t index);

// The indices [first, last) of the bars whose place reaches into the columns [left, right).
struct LoadBarRange {
  std::size_t first = 0;
  std::size_t last = 0;
};
LoadBarRange loadBarsInColumns(const LoadChartGeometry& geometry, std::size_t barCount, int left,
                               int right);

// Where upward text starts: the top-left corner of the unrotated text, which then reads from y
// upwards and covers the columns x to x + height.
struct UpwardTextOrigin {
  int x = 0;
  int y = 0;
};
// The percent label of a bar whose top is `barTop`; `textWidth` and `textHeight` are those of
// the unrotated text.
UpwardTextOrigin loadPercentLabelOrigin(const LoadChartGeometry& geometry, std::size_t index,
                                        int barTop, double share, int textWidth, int textHeight);
// The name of a bar: centred on it and ending just below the axis.
UpwardTextOrigin loadNameLabelOrigin(const LoadChartGeometry& geometry, std::size_t index,
                                     int textWidth, int textHeight);

// The pixel size of the printed names: the bold name font unless 1.5 times the width of "X" in
// the label font exceeds the bar width; then one that shrinks by the same ratio (at least 1).
int printedNamePixelSize(int boldPixelSize, int labelXWidth, int barWidth);

}  // namespace kelvor
