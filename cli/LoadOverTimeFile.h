#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "analysis/LoadOverTime.h"
#include "analysis/StatisticsEngine.h"
#include "model/ProcessTable.h"

namespace kelvor::cli {

// The cut of --intervals N (a whole number from 1 to LoadCut::MaximumCount) or of
// --interval SECONDS (a positive number); nothing for any other text.
std::optional<LoadCut> parseIntervalCount(std::string_view text);
std::optional<LoadCut> parseIntervalLength(std::string_view text);

// The load over time as tab-separated text: the header "start end load" and one column per
// entry with run time ("<id> <name>", in the statistics table's order), then one row per
// interval with its start and end in seconds and the load and each entry's share in percent,
// every figure in the shortest form that reads back to the same double.
std::string formatLoadOverTime(const LoadOverTime& load, const ProcessTable& names);

// Exit statuses of writeLoadOverTime.
enum class LoadFileStatus : int { Written = 0, WriteFailed = 1, TooManyIntervals = 2 };

// Computes the load over the window the engine was last analysed over and writes it to `path`
// through a temporary file; reports a failure on standard error.
LoadFileStatus writeLoadOverTime(StatisticsEngine& engine, const ProcessTable& names, LoadCut cut,
                                 const std::string& path);

}  // namespace kelvor::cli
