#include "views/ComparisonColumns.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

#include "views/DistributionFigures.h"

namespace kelvor {
namespace {

constexpr std::array<ComparisonColumn, 8> Columns{{
    {"Base % RunTime", ComparedFigure::Share, ComparisonPart::Baseline},
    {"\xCE\x94 % RunTime", ComparedFigure::Share, ComparisonPart::Difference},
    {"\xCE\x94 # Calls", ComparedFigure::Calls, ComparisonPart::Difference},
    {"\xCE\x94 Mean w/o Int", ComparedFigure::Mean, ComparisonPart::Difference},
    {"\xCE\x94 P99 w/o Int", ComparedFigure::P99, ComparisonPart::Difference},
    {"Base Max w/o Int", ComparedFigure::Max, ComparisonPart::Baseline},
    {"\xCE\x94 Max w/o Int", ComparedFigure::Max, ComparisonPart::Difference},
    {"Max Ratio", ComparedFigure::Max, ComparisonPart::Ratio},
}};

// A duration in readable units, with a sign for a difference other than zero.
std::string signedDurationText(double seconds, bool signedText) {
  const std::string text = durationText(seconds);
  return signedText && seconds > 0.0 ? "+" + text : text;
}

std::optional<double> valueOf(const ComparisonColumn& column, const EntryComparison& entry) {
  const FigurePair& pair = entry.figure(column.figure);
  switch (column.part) {
    case ComparisonPart::Baseline:
      return pair.baseline;
    case ComparisonPart::Difference:
      return pair.difference();
    case ComparisonPart::Ratio:
      return pair.ratio();
  }
  return std::nullopt;
}

}  // namespace

std::span<const ComparisonColumn> comparisonColumns() {
  return Columns;
}

ComparisonLookup::ComparisonLookup(const ReportComparison& comparison)
    : baselineFile_(comparison.baselineFile) {
  for (const EntryComparison& entry : comparison.entries) {
    byId_.emplace(entry.id, entry);
  }
}

const EntryComparison* ComparisonLookup::find(std::uint32_t entryId) const {
  const auto it = byId_.find(entryId);
  return it != byId_.end() ? &it->second : nullptr;
}

std::string comparisonCellText(const ComparisonColumn& column, const EntryComparison* entry) {
  if (entry == nullptr) {
    return {};
  }
  if (entry->presence == EntryPresence::OnlyFile) {
    return "new";
  }
  const std::optional<double> value = valueOf(column, *entry);
  if (!value) {
    return "-";
  }
  char text[48];
  switch (column.figure) {
    case ComparedFigure::Share:
      std::snprintf(text, sizeof text, column.part == ComparisonPart::Difference ? "%+.4f" : "%.4f",
                    *value);
      return text;
    case ComparedFigure::Calls:
      std::snprintf(text, sizeof text, "%+.0f", *value);
      return text;
    default:
      if (column.part == ComparisonPart::Ratio) {
        std::snprintf(text, sizeof text, "%.3f", *value);
        return text;
      }
      return signedDurationText(*value, column.part == ComparisonPart::Difference);
  }
}

double comparisonCellValue(const ComparisonColumn& column, const EntryComparison* entry) {
  if (entry == nullptr || entry->presence == EntryPresence::OnlyFile) {
    return -std::numeric_limits<double>::infinity();
  }
  return valueOf(column, *entry).value_or(-std::numeric_limits<double>::infinity());
}

}  // namespace kelvor
