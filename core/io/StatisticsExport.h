#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "analysis/StatisticsEngine.h"
#include "model/ProcessTable.h"

namespace kelvor {

enum class FieldAlignment { Left, Right };

// A duration in the largest of s, ms, us, ns, ps that makes it at least 1: fixed notation with
// `decimals` decimals right-aligned in `width` characters, then the unit and a blank (" s ",
// "ms ", ...). Values that stay below 1 ps (zero, negative) read "0" ps.
std::string FormatDuration(double seconds, int width = 8, int decimals = 3);

// The text cut to `width` characters and padded with blanks to it.
std::string PadField(std::string_view text, std::size_t width, FieldAlignment alignment);

// The column header line of the statistics file, without line end.
std::string statisticsFileHeader();
// One entry line of the statistics file (each value followed by a TAB), without line end.
std::string statisticsFileLine(const ProcessStats& stats, const ProcessTable& names,
                               double windowSpan);
// Writes the header and one line per record in ascending entry id, CR LF line ends. The file is
// replaced only when complete; returns false when it could not be written.
bool writeStatisticsFile(const StatisticsEngine& engine, const ProcessTable& names,
                         const std::string& path);

// The header line of the printed table (166 characters).
std::string printedTableHeader();
// One row of the printed table.
std::string printedTableRow(const ProcessStats& stats, const ProcessTable& names,
                            double windowSpan);

// The share of the analysed window an entry ran without nested activations, in percent; 0 for
// an empty window (a trace of a single instant) rather than a division by zero.
double runTimePercent(const ProcessStats& stats, double windowSpan);

}  // namespace kelvor
