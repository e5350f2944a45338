#include "StatisticsTable.h"

#include <algorithm>
#include <vector>

#include "views/StatisticsColumns.h"

namespace kelvor::cli {

namespace {

constexpr std::size_t kColumns = FileStatisticsColumns;

bool leftAligned(const StatisticsColumn& column) {
  return column.kind == StatisticsValueKind::EntryId ||
         column.kind == StatisticsValueKind::EntryName;
}

}  // namespace

std::string formatStatisticsTable(const StatisticsEngine& engine, const ProcessTable& names) {
  // The cells are the statistics file's own fields, so the table and the file never disagree.
  const auto columns = statisticsColumns().first<kColumns>();
  std::vector<std::vector<std::string>> rows;
  rows.reserve(engine.statistics().size() + 1);
  auto& header = rows.emplace_back();
  for (const StatisticsColumn& column : columns) {
    header.emplace_back(column.fileHeader);
  }
  for (const auto& [id, stats] : engine.statistics()) {
    const std::string name = names.entryName(stats.id);
    const StatisticsEntry entry{stats, name, engine.windowSpan()};
    auto& row = rows.emplace_back();
    for (const StatisticsColumn& column : columns) {
      appendFileField(row.emplace_back(), column, entry);
    }
  }
  std::vector<std::size_t> widths(kColumns, 0);
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < kColumns; ++c) {
      widths[c] = std::max(widths[c], row[c].size());
    }
  }
  std::string out;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < kColumns; ++c) {
      const std::string& cell = row[c];
      const std::string padding(widths[c] - cell.size(), ' ');
      if (c > 0) {
        line += "  ";
      }
      line += leftAligned(columns[c]) ? cell + padding : padding + cell;
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
