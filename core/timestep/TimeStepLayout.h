#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/StatisticsEngine.h"
#include "model/EntryNaming.h"
#include "timestep/TimeAxis.h"
#include "timestep/TimeStepNavigation.h"

namespace kelvor {

// The page of the time-step chart apart from the stretches: colours, row order, label texts,
// legend and axis. Everything here is in pixels of the device the chart is drawn on.

inline constexpr const char* TimeStepTitle = "Timestep-Analysis of Mobileprocesses";

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  constexpr bool operator==(const Rgb&) const = default;
};

namespace timestep_colours {
inline constexpr Rgb ChartBackground{200, 200, 255};
inline constexpr Rgb ClassLabel{245, 250, 75};
inline constexpr Rgb UserLabel{255, 200, 200};
inline constexpr Rgb HatchBackground{220, 220, 220};
inline constexpr Rgb GuideSolid{200, 200, 200};
inline constexpr Rgb GuideDotted{150, 150, 150};
inline constexpr Rgb InterruptedEven{180, 180, 180};
inline constexpr Rgb InterruptedOdd{255, 255, 255};
inline constexpr Rgb UndefinedHatch{255, 255, 255};
inline constexpr Rgb UserRuntime{70, 170, 80};
inline constexpr Rgb UserMark{200, 0, 0};
inline constexpr Rgb Marker{255, 0, 0};
inline constexpr Rgb Clock{0, 255, 0};
inline constexpr Rgb FirstTick{0, 0, 0};
inline constexpr Rgb Tick{100, 100, 100};
inline constexpr Rgb AxisBand{255, 255, 255};
inline constexpr Rgb LegendHatch{180, 180, 180};
}  // namespace timestep_colours

// The bands of the priority colour code.
enum class PriorityBand : std::uint8_t {
  Lisr,         // interrupts
  Unknown,      // priority 1000
  Hisr,         // below 0x3FF, high byte neither 1 nor 2
  Band0To32FF,  // below 0x3FF with high byte 1 or 2; up to 0x32FF with high byte >= 3
  HighLowIds,   // 0x3FF..0x32FF with high byte < 3: red bars, black label; no legend entry
  Band3300To64FF,
  Band6500To96FF,
  Band9700ToC8FF,
  BandC900ToFFFF,
};

// The band of an entry for its bars (interrupt from InterruptIdBase on) and for its label cell
// (interrupt only above InterruptIdBase).
PriorityBand barBand(std::uint32_t entryId, std::uint32_t priority);
PriorityBand labelBand(std::uint32_t entryId, std::uint32_t priority);
Rgb barColour(PriorityBand band);
Rgb labelColour(PriorityBand band);

// The priority the chart uses for an entry: the naming's (its own, else its group's, else
// unknown); in a trace from a .run file an interrupt's is the low byte of its id.
std::uint32_t timeStepPriority(std::uint32_t entryId, const EntryNaming& naming, bool runTrace);

// The legend below the axis, in its order.
enum class LegendSwatch : std::uint8_t { Solid, Hatch };
struct LegendItem {
  Rgb colour;
  LegendSwatch swatch = LegendSwatch::Solid;
  const char* text = "";
};
inline constexpr std::array<const char*, 3> LegendHeading = {
    "Priority Color Code", "(0=highest; 0xFF=lowest)", "Special states:"};
const std::vector<LegendItem>& legendItems();
inline constexpr int LegendBoxWidth = 25;
inline constexpr int LegendBoxHeight = 20;
inline constexpr int LegendTextGap = 5;   // box to its text
inline constexpr int LegendItemGap = 10;  // text to the next box
inline constexpr int LegendLeft = 7;

// The summary rows at the top of the chart.
struct SummaryRows {
  bool condensed = true;
  int count() const { return summaryRowCount(condensed); }
  int userRuntimeRow() const { return condensed ? 4 : 0; }
  int userMarksRow() const { return condensed ? 5 : 1; }
  // The class row a Running stretch of an entry class is also drawn in (condensed only).
  std::optional<int> classRow(std::uint32_t entryClass) const;
};
inline constexpr std::array<const char*, 4> ClassRowLabels = {"all Processes", "all Tasks",
                                                              "all HISRs", "all ISRs"};
inline constexpr const char* UserMarksLabel = "User Marks";
// "User Runtime:%.1f%%,%.6fs".
std::string userRuntimeLabel(double userSectionPercent, double userSectionTime);

// The subtitle by sort mode (1 by id, 0 by priority).
std::string subtitleText(int sortMode);

// The label of an entry row: "0x" + "%04X" of a process id or "%02X" of an interrupt's number,
// a blank and the process table's name (empty when absent); in a .run trace whose names are in
// use, the .run record's own id and name.
std::string entryLabel(std::uint32_t entryId, const ProcessTable& table,
                       const RunNameTable* runNames, RunNameUse use);

// The longest label text kept between paints: empty and 27 characters long at the start and
// after every label-font change; measured as the text when known, else as length + 1 "X".
struct LongestLabel {
  static constexpr std::size_t InitialLength = 27;
  std::string text;
  std::size_t length = InitialLength;

  void reset() { *this = LongestLabel{}; }
  void consider(const std::string& label);
  std::string measuredText() const;
};

// Row order of the chart.
enum class SortMode : int { ByPriority = 0, ById = 1 };
struct PriorityRow {
  std::uint32_t entryId = 0;
  std::uint32_t priority = 0;
  constexpr bool operator==(const PriorityRow&) const = default;
};
// The priority order of the visible entries of the engine (ascending id as input): interrupts,
// then HISRs, then the rest, each group sorted by priority when any priority is above 0.
std::vector<PriorityRow> sortByPriority(const StatisticsEngine& engine, const EntryNaming& naming,
                                        bool runTrace);

// The row of each visible entry in the current order.
class RowOrder {
 public:
  // Id order: the records' `row` as numbered by the walk's preparation.
  static RowOrder byId(const StatisticsEngine& engine);
  static RowOrder byPriority(const std::vector<PriorityRow>& rows);

  // The row of an entry, or nothing when it has none in this order.
  std::optional<int> rowOf(std::uint32_t entryId) const;
  // The entry of a row.
  std::uint32_t entryAt(int row) const { return entries_[static_cast<std::size_t>(row)]; }
  std::size_t size() const { return entries_.size(); }

 private:
  std::vector<std::uint32_t> entries_;               // by row
  std::vector<std::pair<std::uint32_t, int>> rows_;  // (entry, row) by entry
};

// The time axis under the chart.
struct AxisTick {
  int x = 0;
  bool major = false;
  bool first = false;  // the first major tick, drawn black and wider
  std::string label;   // "%.4f" of the time, on major ticks
};
// Major ticks every tenth of the span from the window start (the step added repeatedly while
// the time stays within the window), minor ticks every hundredth between them.
std::vector<AxisTick> axisTicks(const TimeAxis& axis);
inline constexpr const char* AxisUnitLabel = "sec";

}  // namespace kelvor
