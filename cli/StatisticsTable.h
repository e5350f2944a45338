#pragma once

#include <string>

#include "analysis/StatisticsEngine.h"
#include "model/ProcessTable.h"

namespace kelvor::cli {

// The statistics as an aligned text table: the columns of the statistics file, one row per
// entry in ascending id, text columns left-aligned and figures right-aligned.
std::string formatStatisticsTable(const StatisticsEngine& engine, const ProcessTable& names);

}  // namespace kelvor::cli
