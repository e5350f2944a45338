#include "ReportOutput.h"

#include "StatisticsTable.h"
#include "common/AtomicFile.h"

namespace kelvor::cli {

std::optional<OutputFormat> parseOutputFormat(std::string_view name) {
  if (name == "table") {
    return OutputFormat::Table;
  }
  if (name == "tsv") {
    return OutputFormat::Tsv;
  }
  if (name == "json") {
    return OutputFormat::Json;
  }
  if (name == "jsonl") {
    return OutputFormat::Jsonl;
  }
  return std::nullopt;
}

std::string formatReport(const StatisticsReport& report, OutputFormat format,
                         const StatisticsEngine& engine, const ProcessTable& names) {
  switch (format) {
    case OutputFormat::Table:
      return formatStatisticsTable(engine, names);
    case OutputFormat::Tsv:
      return reportTsv(report);
    case OutputFormat::Json:
      return reportJson(report);
    case OutputFormat::Jsonl:
      return reportJsonLines(report);
  }
  return {};
}

std::string formatComparison(const ReportComparison& comparison, OutputFormat format) {
  switch (format) {
    case OutputFormat::Table:
      return comparisonTable(comparison);
    case OutputFormat::Tsv:
      return comparisonTsv(comparison);
    case OutputFormat::Json:
      return comparisonJson(comparison);
    case OutputFormat::Jsonl:
      return comparisonJsonLines(comparison);
  }
  return {};
}

bool writeTextFile(const std::string& path, std::string_view text) {
  AtomicFileWriter writer(path);
  if (!writer.isOpen()) {
    return false;
  }
  writer.write(text);
  return writer.commit();
}

}  // namespace kelvor::cli
