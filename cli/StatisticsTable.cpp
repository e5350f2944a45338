#include "StatisticsTable.h"

#include <algorithm>
#include <vector>

#include "io/StatisticsExport.h"

namespace kelvor::cli {

namespace {

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (start <= line.size()) {
    const std::size_t tab = line.find('\t', start);
    if (tab == std::string::npos) {
      if (start < line.size()) {
        fields.push_back(line.substr(start));
      }
      break;
    }
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  return fields;
}

}  // namespace

std::string formatStatisticsTable(const StatisticsEngine& engine, const ProcessTable& names) {
  // The rows are the statistics file's own lines, so the table and the file never disagree.
  std::vector<std::vector<std::string>> rows;
  rows.push_back(splitTabs(statisticsFileHeader()));
  for (const auto& [id, stats] : engine.statistics()) {
    rows.push_back(splitTabs(statisticsFileLine(stats, names, engine.windowSpan())));
  }
  const std::size_t columns = rows.front().size();
  std::vector<std::size_t> widths(columns, 0);
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < row.size() && c < columns; ++c) {
      widths[c] = std::max(widths[c], row[c].size());
    }
  }
  std::string out;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < columns; ++c) {
      const std::string& cell = c < row.size() ? row[c] : std::string();
      const std::string padding(widths[c] - cell.size(), ' ');
      const bool leftAligned = c < 2;
      if (c > 0) {
        line += "  ";
      }
      line += leftAligned ? cell + padding : padding + cell;
    }
    while (!line.empty() && line.back() == ' ') {
      line.pop_back();
    }
    out += line;
    out += '\n';
  }
  return out;
}

}  // namespace kelvor::cli
