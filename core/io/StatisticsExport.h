#pragma once

#include <string>

#include "analysis/StatisticsEngine.h"
#include "model/ProcessTable.h"

namespace kelvor {

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

}  // namespace kelvor
