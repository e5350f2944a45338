#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "analysis/ProcessStats.h"

namespace kelvor {

// The columns of the statistics, in the order every output writes them.
enum class StatisticsColumnId : std::uint8_t {
  EntryId,
  Name,
  RunTimeShare,
  Calls,
  TotalWithInt,
  TotalWithoutInt,
  MinWithInt,
  MinWithoutInt,
  MaxWithInt,
  MaxWithoutInt,
  TotalNested,
  MaxNested,
  MinNested,
  MinClock,
  MaxClock,
  MeanClock,
  ActTim,
  GotTim,
  SendMes,
  ReceMes,
};

// What a column holds; it decides how each output writes the value.
enum class StatisticsValueKind : std::uint8_t {
  EntryId,    // the entry id
  EntryName,  // the entry's name: a text without numeric value
  Percent,    // share of the analysed window
  Count,      // a whole number
  Duration,   // seconds
  ClockRate,  // MHz
};

// Column sets of the statistics table: the live set while recording, the full set otherwise.
// The statistics file holds the columns of the live set.
inline constexpr int LiveStatisticsColumns = 16;
inline constexpr int FullStatisticsColumns = 20;
inline constexpr int FileStatisticsColumns = LiveStatisticsColumns;

// One column of the statistics in every output.
struct StatisticsColumn {
  StatisticsColumnId id;
  StatisticsValueKind kind;
  const char* header;  // the statistics table of the desktop program
  bool rightAligned;   // in that table
  int width;           // pixels, in that table
  const char* printHeader;
  std::size_t printWidth;  // characters of the header field in the printed table
  const char* fileHeader;  // the statistics file; null past FileStatisticsColumns
  // The column's value of an entry; the entry id for the id column, 0 for the name.
  double (*value)(const ProcessStats& stats, double windowSpan);
};

// Every column in order; a column's position is its id.
std::span<const StatisticsColumn, FullStatisticsColumns> statisticsColumns();
const StatisticsColumn& statisticsColumn(int column);
const StatisticsColumn& statisticsColumn(StatisticsColumnId id);

// What the cells of one entry are written from.
struct StatisticsEntry {
  const ProcessStats& stats;
  std::string_view name;
  double windowSpan = 0.0;
};

// The cell text of the statistics table of the desktop program (replaces `out`); returns the
// column's value, which the table sorts by.
double tableCellText(const StatisticsColumn& column, const StatisticsEntry& entry,
                     std::string& out);
// The cell of the printed table, with its trailing blank.
void appendPrintedCell(std::string& out, const StatisticsColumn& column,
                       const StatisticsEntry& entry);
// The field of the statistics file, without separator.
void appendFileField(std::string& out, const StatisticsColumn& column,
                     const StatisticsEntry& entry);

}  // namespace kelvor
