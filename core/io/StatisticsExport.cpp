#include "io/StatisticsExport.h"

#include <cstdio>

#include "common/AtomicFile.h"
#include "common/TextNumbers.h"

namespace kelvor {

namespace {

// snprintf into a std::string; the formats used here are numeric ("%f" and friends), which the
// program keeps in the C locale's notation.
template <typename... Args>
void appendFormat(std::string& out, const char* format, Args... args) {
  char buffer[128];
  const int length = std::snprintf(buffer, sizeof buffer, format, args...);
  if (length < 0) {
    return;
  }
  if (static_cast<std::size_t>(length) < sizeof buffer) {
    out.append(buffer, static_cast<std::size_t>(length));
    return;
  }
  std::string large(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(large.data(), large.size(), format, args...);
  large.pop_back();
  out += large;
}

struct PrintedColumn {
  const char* title;
  std::size_t width;
};

constexpr PrintedColumn kPrintedColumns[] = {
    {"PID", 5},         {"Function", 28},     {"% RT", 5},        {"#Cnt", 5},
    {"Tot w Int", 10},  {"Tot w/o. Int", 10}, {"Min w Int.", 10}, {"Min w/o Int", 10},
    {"Max w Int.", 10}, {"Max w/o Int", 10},  {"# Int.", 5},      {"maxInt.", 5},
    {"mixInt", 5},      {"MinF Sp.", 4},      {"MaxF Sp.", 4},    {"MidF Sp.", 4},
    {"ActTim", 4},      {"GotTim", 4},        {"SendMes", 4},     {"ReceMes", 4},
};

}  // namespace

double runTimePercent(const ProcessStats& stats, double windowSpan) {
  return windowSpan != 0.0 ? stats.totalWithoutInt / windowSpan * 100.0 : 0.0;
}

std::string FormatDuration(double seconds, int width, int decimals) {
  static constexpr const char* kUnits[] = {" s ", "ms ", "us ", "ns ", "ps "};
  double value = seconds;
  int step = 0;
  while (value < 1.0 && step < 4) {
    value *= 1000.0;
    ++step;
  }
  if (value < 1.0) {
    value = 0.0;
  }
  std::string text;
  appendFormat(text, "%*.*f", width, decimals, value);
  text += kUnits[step];
  return text;
}

std::string PadField(std::string_view text, std::size_t width, FieldAlignment alignment) {
  std::string field(text.substr(0, width));
  const std::string padding(width - field.size(), ' ');
  return alignment == FieldAlignment::Left ? field + padding : padding + field;
}

std::string statisticsFileHeader() {
  return "PID\tText\t% RuntTime\t# Calls\tTotal w Int\tTotal w/o. Int\tMinimal w Int.\t"
         "Minimal w/o Int\tMaximal w Int.\tMaximal w/o Int\t# Int.\tmax # Int.\tmin # Int\t"
         "Min CPU-Speed\tMax CPU-Speed\tMid CPU-Speed";
}

std::string statisticsFileLine(const ProcessStats& s, const ProcessTable& names,
                               double windowSpan) {
  std::string line;
  auto tab = [&line] { line += '\t'; };
  auto general = [&](double value) {
    appendGeneral(line, value);
    tab();
  };
  auto decimal = [&](std::uint32_t value) {
    line += std::to_string(value);
    tab();
  };
  line += ProcessTable::idText(s.id);
  tab();
  line += names.entryName(s.id);
  tab();
  appendFormat(line, "%f", runTimePercent(s, windowSpan));
  tab();
  decimal(s.calls);
  general(s.totalWithInt);
  general(s.totalWithoutInt);
  general(s.minWithInt);
  general(s.minWithoutInt);
  general(s.maxWithInt);
  general(s.maxWithoutInt);
  decimal(s.totalNested);
  decimal(s.maxNested);
  decimal(s.minNested);
  general(s.minClock);
  general(s.maxClock);
  general(s.meanClock);
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
  for (const PrintedColumn& column : kPrintedColumns) {
    const bool left = std::string_view(column.title) == "Function";
    line +=
        PadField(column.title, column.width, left ? FieldAlignment::Left : FieldAlignment::Right);
    line += ' ';
  }
  return line;
}

std::string printedTableRow(const ProcessStats& s, const ProcessTable& names, double windowSpan) {
  std::string row;
  char id[16];
  if (s.id >= InterruptIdBase) {
    std::snprintf(id, sizeof id, "0x%02X", s.id - InterruptIdBase);
  } else {
    std::snprintf(id, sizeof id, "0x%04X", s.id);
  }
  appendFormat(row, "%6s ", id);
  appendFormat(row, "%-28s ", names.entryName(s.id).c_str());
  appendFormat(row, "%5.2f ", runTimePercent(s, windowSpan));
  appendFormat(row, "%5u ", s.calls);
  for (double duration : {s.totalWithInt, s.totalWithoutInt, s.minWithInt, s.minWithoutInt,
                          s.maxWithInt, s.maxWithoutInt}) {
    row += FormatDuration(duration);
  }
  for (std::uint32_t count : {s.totalNested, s.maxNested, s.minNested}) {
    appendFormat(row, "%5u ", count);
  }
  for (double clock : {s.minClock, s.maxClock, s.meanClock}) {
    appendFormat(row, "%4.1f ", clock);
  }
  for (std::uint32_t value : {s.actTim, s.gotTim, s.sendMes, s.receMes}) {
    appendFormat(row, "%5u ", value);
  }
  return row;
}

}  // namespace kelvor
