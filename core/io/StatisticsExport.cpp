#include "io/StatisticsExport.h"

#include "common/AtomicFile.h"
#include "common/TextFormat.h"
#include "views/StatisticsColumns.h"

namespace kelvor {

std::string statisticsFileHeader() {
  std::string line;
  for (const StatisticsColumn& column : statisticsColumns().first<FileStatisticsColumns>()) {
    if (!line.empty()) {
      line += '\t';
    }
    line += column.fileHeader;
  }
  return line;
}

std::string statisticsFileLine(const ProcessStats& stats, const ProcessTable& names,
                               double windowSpan) {
  const std::string name = names.entryName(stats.id);
  const StatisticsEntry entry{stats, name, windowSpan};
  std::string line;
  for (const StatisticsColumn& column : statisticsColumns().first<FileStatisticsColumns>()) {
    appendFileField(line, column, entry);
    line += '\t';
  }
  return line;
}

bool writeStatisticsFile(const StatisticsEngine& engine, const ProcessTable& names,
                         const std::string& path) {
  AtomicFileWriter writer(path);
  if (!writer.isOpen()) {
    return false;
  }
  const double span = engine.windowSpan();
  writer.write(statisticsFileHeader());
  writer.write("\r\n");
  for (const auto& [id, stats] : engine.statistics()) {
    writer.write(statisticsFileLine(stats, names, span));
    writer.write("\r\n");
  }
  return writer.commit();
}

std::string printedTableHeader() {
  std::string line;
  for (const StatisticsColumn& column : statisticsColumns()) {
    const bool left = column.kind == StatisticsValueKind::EntryName;
    line += PadField(column.printHeader, column.printWidth,
                     left ? FieldAlignment::Left : FieldAlignment::Right);
    line += ' ';
  }
  return line;
}

std::string printedTableRow(const ProcessStats& stats, const ProcessTable& names,
                            double windowSpan) {
  const std::string name = names.entryName(stats.id);
  const StatisticsEntry entry{stats, name, windowSpan};
  std::string row;
  for (const StatisticsColumn& column : statisticsColumns()) {
    appendPrintedCell(row, column, entry);
  }
  return row;
}

}  // namespace kelvor
