#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "io/ReportComparison.h"
#include "io/StatisticsReport.h"

namespace kelvor::cli {

// What kelvor-cli prints on standard output.
enum class OutputFormat { Table, Tsv, Json, Jsonl };

// The format named by --format, or none for an unknown name.
std::optional<OutputFormat> parseOutputFormat(std::string_view name);

// The statistics in a format; the table is the aligned text table of the statistics file's
// columns.
std::string formatReport(const StatisticsReport& report, OutputFormat format,
                         const StatisticsEngine& engine, const ProcessTable& names);
std::string formatComparison(const ReportComparison& comparison, OutputFormat format);

// Writes text to a file through a temporary file; false (and the target untouched) on failure.
bool writeTextFile(const std::string& path, std::string_view text);

}  // namespace kelvor::cli
