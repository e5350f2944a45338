#include "StatisticsTable.h"

#include <algorithm>
#include <vector>

#include "common/TextFormat.h"
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
  // The id and the name (the leading columns) are left-aligned, the figures right-aligned.
  const auto textColumns =
      static_cast<std::size_t>(std::count_if(columns.begin(), columns.end(), leftAligned));
  return AlignedTextTable(rows, textColumns);
}

}  // namespace kelvor::cli
