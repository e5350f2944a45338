#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/ActivationDurations.h"
#include "analysis/ProcessStats.h"
#include "analysis/StatisticsEngine.h"
#include "model/ProcessTable.h"

namespace kelvor {

// A statistic of an entry under the name of its ProcessStats field, as the machine-readable
// outputs write it.
struct StatisticsField {
  const char* key;
  double (*value)(const ProcessStats& stats);
};

// The statistics the machine-readable outputs write, in their order.
std::span<const StatisticsField> statisticsFields();

// The figures of a distribution, as the machine-readable outputs name them.
struct DistributionField {
  const char* key;
  double (*value)(const DurationDistribution& d);
};
std::span<const DistributionField> distributionFields();

// The key of an entry class: "process", "task", "hisr", "interrupt" ("other" for none of them).
const char* entryClassKey(std::uint32_t entryClass);

// One entry of a report: its record and what the outputs write beside it.
struct ReportEntry {
  ProcessStats stats;
  std::string idText;  // as the statistics table shows the id
  std::string name;
  std::uint32_t priority = UnknownPriority;
  double runTimePercent = 0.0;  // share of the analysed window
  std::optional<EntryDistribution> distribution;
};

// The statistics of one analysed trace, ready to be written as JSON, JSON lines or TSV.
struct StatisticsReport {
  std::string file;
  double windowStart = 0.0;
  double windowEnd = 0.0;
  std::uint64_t events = 0;
  std::string version;
  bool distributions = false;        // every entry carries its distributions
  std::vector<ReportEntry> entries;  // in ascending entry id, as the table
};

// The report of the engine's last analysis. With `durations` (kept by that analysis) every entry
// carries the distributions of its activations' net and gross durations.
StatisticsReport makeStatisticsReport(const StatisticsEngine& engine, const ProcessTable& names,
                                      std::string file, std::string version,
                                      const ActivationDurations* durations);

// A text as a TSV cell: tabs and line breaks become blanks.
std::string tsvCell(std::string_view text);

// One JSON object: file, window, events, version and the entries, one entry object per line.
std::string reportJson(const StatisticsReport& report);
// One JSON object per entry and line, each with the trace's file, window, events and version.
std::string reportJsonLines(const StatisticsReport& report);
// A header line of keys and one line per entry, tab-separated; distributions as net.* and
// gross.* columns (without the histogram).
std::string reportTsv(const StatisticsReport& report);

}  // namespace kelvor
