#include "timestep/TimeStepLayout.h"

#include <algorithm>
#include <cmath>

#include "common/TextFormat.h"
#include "model/TraceEvent.h"

namespace kelvor {

namespace {

// HISR priorities stay below this; from it on an entry has a task or process priority.
constexpr std::uint32_t HisrPriorityLimit = 0x3FF;

std::uint32_t highByte(std::uint32_t entryId) {
  return (entryId >> 8) & 0xFFu;
}

// The band of a process-range entry by its priority; the interrupt test is the caller's.
PriorityBand processBand(std::uint32_t entryId, std::uint32_t priority) {
  const std::uint32_t block = highByte(entryId);
  if (priority == UnknownPriority) {
    return PriorityBand::Unknown;
  }
  if (priority < HisrPriorityLimit) {
    return block != 1 && block != 2 ? PriorityBand::Hisr : PriorityBand::Band0To32FF;
  }
  if (priority <= 0x32FF) {
    return block >= 3 ? PriorityBand::Band0To32FF : PriorityBand::HighLowIds;
  }
  if (priority <= 0x64FF) {
    return PriorityBand::Band3300To64FF;
  }
  if (priority <= 0x96FF) {
    return PriorityBand::Band6500To96FF;
  }
  if (priority <= 0xC8FF) {
    return PriorityBand::Band9700ToC8FF;
  }
  return PriorityBand::BandC900ToFFFF;
}

}  // namespace

PriorityBand barBand(std::uint32_t entryId, std::uint32_t priority) {
  return entryId >= InterruptIdBase ? PriorityBand::Lisr : processBand(entryId, priority);
}

PriorityBand labelBand(std::uint32_t entryId, std::uint32_t priority) {
  return entryId > InterruptIdBase ? PriorityBand::Lisr : processBand(entryId, priority);
}

Rgb barColour(PriorityBand band) {
  switch (band) {
    case PriorityBand::Lisr:
      return {25, 118, 255};
    case PriorityBand::Unknown:
    case PriorityBand::HighLowIds:
      return {255, 0, 0};
    case PriorityBand::Hisr:
      return {154, 0, 154};
    case PriorityBand::Band0To32FF:
      return {255, 0, 255};
    case PriorityBand::Band3300To64FF:
      return {125, 125, 0};
    case PriorityBand::Band6500To96FF:
      return {255, 255, 0};
    case PriorityBand::Band9700ToC8FF:
      return {0, 255, 0};
    case PriorityBand::BandC900ToFFFF:
      return {0, 125, 0};
  }
  return {255, 0, 0};
}

Rgb labelColour(PriorityBand band) {
  // The low ids of the lower blocks with a task priority: red bars on a black label cell.
  return band == PriorityBand::HighLowIds ? Rgb{0, 0, 0} : barColour(band);
}

std::uint32_t timeStepPriority(std::uint32_t entryId, const EntryNaming& naming, bool runTrace) {
  // A .run trace numbers its interrupts by priority in the id's low byte.
  if (runTrace && entryId >= InterruptIdBase) {
    return entryId & 0xFFu;
  }
  return naming.priority(entryId);
}

const std::vector<LegendItem>& legendItems() {
  static const std::vector<LegendItem> items = {
      {barColour(PriorityBand::Lisr), LegendSwatch::Solid, "LISRS"},
      {barColour(PriorityBand::Hisr), LegendSwatch::Solid, "HISRS"},
      {barColour(PriorityBand::Band0To32FF), LegendSwatch::Solid, "0-32FF"},
      {barColour(PriorityBand::Band3300To64FF), LegendSwatch::Solid, "3300-64FF"},
      {barColour(PriorityBand::Band6500To96FF), LegendSwatch::Solid, "6500-96FF"},
      {barColour(PriorityBand::Band9700ToC8FF), LegendSwatch::Solid, "9700-C8FF"},
      {barColour(PriorityBand::BandC900ToFFFF), LegendSwatch::Solid, "C900-FFFF"},
      {barColour(PriorityBand::Unknown), LegendSwatch::Solid, "Unknown Priority"},
      {timestep_colours::InterruptedOdd, LegendSwatch::Solid, "interrupted"},
      {timestep_colours::InterruptedEven, LegendSwatch::Solid, "interrupted"},
      {timestep_colours::LegendHatch, LegendSwatch::Hatch, "undefined"},
  };
  return items;
}

std::optional<int> SummaryRows::classRow(std::uint32_t entryClass) const {
  if (!condensed) {
    return std::nullopt;
  }
  switch (entryClass) {
    case 0:
    case 1:
      return 0;  // "all Processes"
    case 2:
      return 1;  // "all Tasks"
    case 3:
      return 2;  // "all HISRs"
    case 4:
    case 5:
      return 3;  // "all ISRs"
    default:
      return std::nullopt;
  }
}

std::string userRuntimeLabel(double userSectionPercent, double userSectionTime) {
  std::string text;
  appendFormat(text, "User Runtime:%.1f%%,%.6fs", userSectionPercent, userSectionTime);
  return text;
}

std::string subtitleText(int sortMode) {
  switch (sortMode) {
    case static_cast<int>(SortMode::ById):
      return "Processes/ Tasks/ HISRs/ ISRs :-> Sorted By PID !";
    case static_cast<int>(SortMode::ByPriority):
      return "Processes/ Tasks/ HISRs/ ISRs :-> Sorted By PRIO!";
    default:
      return "Processes/ Tasks/ HISRs/ ISRs";
  }
}

namespace {

// The first .run record with the entry's 16-bit id when its class takes names from the .run
// table; an interrupt is looked up by its number.
const RunNameRecord* runRecordFor(std::uint32_t entryId, const RunNameTable* runNames,
                                  RunNameUse use) {
  if (runNames == nullptr) {
    return nullptr;
  }
  const bool interrupt = entryId >= InterruptIdBase;
  if (!(interrupt ? use.interrupts : use.processes)) {
    return nullptr;
  }
  const std::uint32_t runId = interrupt ? entryId - InterruptIdBase : entryId;
  const auto found = std::find_if(runNames->begin(), runNames->end(),
                                  [runId](const RunNameRecord& r) { return r.id == runId; });
  return found == runNames->end() ? nullptr : &*found;
}

}  // namespace

std::string entryLabel(std::uint32_t entryId, const ProcessTable& table,
                       const RunNameTable* runNames, RunNameUse use) {
  std::string label = entryIdText(entryId, IdTextStyle::View);
  label += ' ';
  if (const RunNameRecord* record = runRecordFor(entryId, runNames, use)) {
    label += record->nameText();
  } else if (const ProcessEntry* entry = table.find(entryId)) {
    label += entry->name;
  }
  return label;
}

void LongestLabel::consider(const std::string& label) {
  if (label.size() > length) {
    text = label;
    length = label.size();
  }
}

std::string LongestLabel::measuredText() const {
  return text.empty() ? std::string(length + 1, 'X') : text;
}

std::vector<PriorityRow> sortByPriority(const StatisticsEngine& engine, const EntryNaming& naming,
                                        bool runTrace) {
  std::vector<PriorityRow> interrupts;
  std::vector<PriorityRow> hisrs;
  std::vector<PriorityRow> rest;
  bool anyAboveZero = false;
  for (const auto& [id, record] : engine.statistics()) {
    if (record.visible == 0) {
      continue;
    }
    PriorityRow row{id, timeStepPriority(id, naming, runTrace)};
    if (id > InterruptIdBase) {
      row.priority = id - InterruptIdBase;
      interrupts.push_back(row);
    } else if (row.priority < HisrPriorityLimit && highByte(id) != 1 && highByte(id) != 2) {
      hisrs.push_back(row);
    } else if (highByte(id) != 0) {
      rest.push_back(row);
    } else {
      continue;  // a low id with a task priority has no row in this order
    }
    anyAboveZero = anyAboveZero || row.priority > 0;
  }
  if (anyAboveZero) {
    const auto byPriority = [](const PriorityRow& a, const PriorityRow& b) {
      return a.priority < b.priority;
    };
    // Stable: equal priorities stay in id order.
    std::stable_sort(interrupts.begin(), interrupts.end(), byPriority);
    std::stable_sort(hisrs.begin(), hisrs.end(), byPriority);
    std::stable_sort(rest.begin(), rest.end(), byPriority);
  }
  std::vector<PriorityRow> rows;
  rows.reserve(interrupts.size() + hisrs.size() + rest.size());
  rows.insert(rows.end(), interrupts.begin(), interrupts.end());
  rows.insert(rows.end(), hisrs.begin(), hisrs.end());
  rows.insert(rows.end(), rest.begin(), rest.end());
  return rows;
}

namespace {

// Entry ids of rows that no visible entry fills (a gap in the numbering).
constexpr std::uint32_t NoEntry = 0xFFFFFFFFu;

}  // namespace

RowOrder RowOrder::byId(const StatisticsEngine& engine) {
  RowOrder order;
  for (const auto& [id, record] : engine.statistics()) {
    if (record.visible == 0 || record.row == NoRow) {
      continue;
    }
    const auto row = static_cast<std::size_t>(record.row);
    if (order.entries_.size() <= row) {
      order.entries_.resize(row + 1, NoEntry);
    }
    order.entries_[row] = id;
    order.rows_.emplace_back(id, static_cast<int>(record.row));  // ascending id already
  }
  return order;
}

RowOrder RowOrder::byPriority(const std::vector<PriorityRow>& rows) {
  RowOrder order;
  order.entries_.reserve(rows.size());
  order.rows_.reserve(rows.size());
  for (const PriorityRow& row : rows) {
    order.rows_.emplace_back(row.entryId, static_cast<int>(order.entries_.size()));
    order.entries_.push_back(row.entryId);
  }
  // By entry for the look-up; an entry listed twice keeps its first row.
  std::stable_sort(order.rows_.begin(), order.rows_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  return order;
}

std::optional<int> RowOrder::rowOf(std::uint32_t entryId) const {
  const auto found = std::lower_bound(
      rows_.begin(), rows_.end(), entryId,
      [](const std::pair<std::uint32_t, int>& a, std::uint32_t id) { return a.first < id; });
  if (found == rows_.end() || found->first != entryId) {
    return std::nullopt;
  }
  return found->second;
}

namespace {

std::string tickLabel(double t) {
  std::string text;
  appendFormat(text, "%.4f", t);
  return text;
}

// A window of up to 10 steps yields 11 major ticks; the bound only stops a step that is lost
// in the rounding of a far-off start time.
constexpr int MaxMajorTicks = 12;
constexpr int MinorTicksPerMajor = 10;

}  // namespace

std::vector<AxisTick> axisTicks(const TimeAxis& axis) {
  const double start = axis.viewStart();
  const double span = axis.viewSpan();
  const double end = start + span;
  std::vector<double> majors;
  if (!(span > 0.0) || !std::isfinite(span) || !std::isfinite(start)) {
    majors.push_back(start);  // a window without span: the start tick alone
  } else {
    const double step = span / 10.0;
    // The step is added repeatedly, as the labels have always been placed.
    for (double t = start; t <= end && static_cast<int>(majors.size()) < MaxMajorTicks; t += step) {
      if (!majors.empty() && t <= majors.back()) {
        break;  // the step vanishes next to the start time
      }
      majors.push_back(t);
    }
  }

  std::vector<AxisTick> ticks;
  ticks.reserve(majors.size() * MinorTicksPerMajor);
  const double minorStep = span * 0.01;
  for (std::size_t i = 0; i < majors.size(); ++i) {
    ticks.push_back(AxisTick{axis.timeToX(majors[i]), true, i == 0, tickLabel(majors[i])});
    if (i + 1 == majors.size() || !(minorStep > 0.0)) {
      continue;
    }
    // Half a step short of the next major, so rounding never puts a minor tick onto it.
    const double limit = majors[i + 1] - minorStep * 0.5;
    for (int k = 1; k < MinorTicksPerMajor; ++k) {
      const double t = majors[i] + minorStep * k;
      if (t >= limit) {
        break;
      }
      ticks.push_back(AxisTick{axis.timeToX(t), false, false, {}});
    }
  }
  return ticks;
}

}  // namespace kelvor
