#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>

#include "io/ReportComparison.h"

namespace kelvor {

// What a difference column of the statistics table shows of an entry's comparison.
enum class ComparisonPart : std::uint8_t { Baseline, Difference, Ratio };

// One of the columns the statistics table gains while a comparison with a baseline is open.
struct ComparisonColumn {
  const char* header;
  ComparedFigure figure;
  ComparisonPart part;
};

// The difference columns, in the order the table appends them.
std::span<const ComparisonColumn> comparisonColumns();

// The comparison of each entry of the compared file, by entry id.
class ComparisonLookup {
 public:
  ComparisonLookup() = default;
  explicit ComparisonLookup(const ReportComparison& comparison);

  // The comparison of an entry, or null when neither run has it.
  const EntryComparison* find(std::uint32_t entryId) const;
  bool empty() const { return byId_.empty(); }
  const std::string& baselineFile() const { return baselineFile_; }

 private:
  std::unordered_map<std::uint32_t, EntryComparison> byId_;
  std::string baselineFile_;
};

// The cell of a difference column: shares with four decimals and a sign, times in the unit that
// suits them, "new" for an entry the baseline lacks and an empty cell for no comparison.
std::string comparisonCellText(const ComparisonColumn& column, const EntryComparison* entry);
// The value the column sorts by; entries without one sort first.
double comparisonCellValue(const ComparisonColumn& column, const EntryComparison* entry);

}  // namespace kelvor
