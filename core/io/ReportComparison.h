#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "io/StatisticsReport.h"

namespace kelvor {

// The figures of an entry that a comparison of two runs puts side by side.
enum class ComparedFigure : std::uint8_t { Share, Calls, Mean, P99, Max };
inline constexpr std::size_t ComparedFigureCount = 5;

// The key of a figure in the outputs: "share", "calls", "mean", "p99", "max".
const char* comparedFigureKey(ComparedFigure figure);

// One figure of an entry in the baseline and in the compared file. Mean, P99 and max are of the
// net durations; the share is in percent of each run's analysed window.
struct FigurePair {
  double baseline = 0.0;
  double file = 0.0;
  double difference() const { return file - baseline; }
  // file / baseline; none when the baseline is zero.
  std::optional<double> ratio() const;
  // How much the figure grew, in percent of the baseline; none when the baseline is zero.
  std::optional<double> growthPercent() const;
};

// Where an entry of a comparison was found.
enum class EntryPresence : std::uint8_t { Both, OnlyBaseline, OnlyFile };
const char* entryPresenceKey(EntryPresence presence);  // "both", "baseline", "file"

struct EntryComparison {
  std::uint32_t id = 0;
  std::string idText;
  std::string name;
  std::uint32_t entryClass = 0;
  EntryPresence presence = EntryPresence::Both;
  std::array<FigurePair, ComparedFigureCount> figures{};

  const FigurePair& figure(ComparedFigure f) const { return figures[static_cast<std::size_t>(f)]; }
};

struct ReportComparison {
  std::string baselineFile;
  std::string file;
  // Sorted by the largest change of share first; entries of equal change in ascending id.
  std::vector<EntryComparison> entries;
};

// Compares two reports entry by entry (matched by entry id). The reports need their
// distributions for the mean, P99 and max; without them those figures stay zero.
ReportComparison compareReports(const StatisticsReport& baseline, const StatisticsReport& file);

// Why an entry counts as grown beyond `percent`: its share or its max (net) grew by more than
// that many percent of the baseline, or it appears only in the file and ran there. Empty when
// it did not.
std::string growthBeyond(const EntryComparison& entry, double percent);

// The comparison as an aligned text table, as TSV, as one JSON object and as JSON lines (one
// entry a line).
std::string comparisonTable(const ReportComparison& comparison);
std::string comparisonTsv(const ReportComparison& comparison);
std::string comparisonJson(const ReportComparison& comparison);
std::string comparisonJsonLines(const ReportComparison& comparison);

}  // namespace kelvor
