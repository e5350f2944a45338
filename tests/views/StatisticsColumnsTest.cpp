#include "views/StatisticsColumns.h"

#include <gtest/gtest.h>

#include "model/TraceEvent.h"

namespace kelvor {
namespace {

// Every field of the record holds a value of its own, so that a column reading a neighbour's
// field or writing with another column's notation shows.
ProcessStats distinctRecord() {
  ProcessStats s;
  s.id = InterruptIdBase + 0x1A;
  s.calls = 3;
  s.totalWithInt = 1.5;
  s.totalWithoutInt = 0.5;
  s.minWithInt = 0.25;
  s.minWithoutInt = 0.002;
  s.maxWithInt = 0.75;
  s.maxWithoutInt = 0.625;
  s.totalNested = 11;
  s.maxNested = 12;
  s.minNested = 13;
  s.minClock = 26.0;
  s.maxClock = 52.3;
  s.meanClock = 39.5;
  s.actTim = 21;
  s.gotTim = 22;
  s.sendMes = 23;
  s.receMes = 24;
  return s;
}

TEST(StatisticsColumns, EachColumnWritesItsOwnFieldInEveryOutput) {
  struct Case {
    StatisticsColumnId id;
    double value;
    const char* table;
    const char* file;  // null: not in the statistics file
    const char* printed;
  };
  const Case cases[] = {
      {StatisticsColumnId::EntryId, 0x1001A, "0x1A", "1A", "  0x1A "},
      {StatisticsColumnId::Name, 0.0, "Timer", "Timer", "Timer                        "},
      {StatisticsColumnId::RunTimeShare, 25.0, "25.000000", "25.000000", "25.00 "},
      {StatisticsColumnId::Calls, 3, "3", "3", "    3 "},
      {StatisticsColumnId::TotalWithInt, 1.5, "1.500000", "1.5", "   1.500 s "},
      {StatisticsColumnId::TotalWithoutInt, 0.5, "0.500000", "0.5", " 500.000ms "},
      {StatisticsColumnId::MinWithInt, 0.25, "0.250000", "0.25", " 250.000ms "},
      {StatisticsColumnId::MinWithoutInt, 0.002, "0.002000", "0.002", "   2.000ms "},
      {StatisticsColumnId::MaxWithInt, 0.75, "0.750000", "0.75", " 750.000ms "},
      {StatisticsColumnId::MaxWithoutInt, 0.625, "0.625000", "0.625", " 625.000ms "},
      {StatisticsColumnId::TotalNested, 11, "11", "11", "   11 "},
      {StatisticsColumnId::MaxNested, 12, "12", "12", "   12 "},
      {StatisticsColumnId::MinNested, 13, "13", "13", "   13 "},
      {StatisticsColumnId::MinClock, 26.0, "26.000000", "26", "26.0 "},
      {StatisticsColumnId::MaxClock, 52.3, "52.300000", "52.3", "52.3 "},
      {StatisticsColumnId::MeanClock, 39.5, "39.500000", "39.5", "39.5 "},
      {StatisticsColumnId::ActTim, 21, "21", nullptr, "   21 "},
      {StatisticsColumnId::GotTim, 22, "22", nullptr, "   22 "},
      {StatisticsColumnId::SendMes, 23, "23", nullptr, "   23 "},
      {StatisticsColumnId::ReceMes, 24, "24", nullptr, "   24 "},
  };
  ASSERT_EQ(std::size(cases), statisticsColumns().size());
  const ProcessStats record = distinctRecord();
  const StatisticsEntry entry{record, "Timer", 2.0};
  for (const Case& c : cases) {
    const StatisticsColumn& column = statisticsColumn(c.id);
    SCOPED_TRACE(column.header);
    EXPECT_EQ(column.id, c.id);
    if (column.kind != StatisticsValueKind::EntryName) {
      EXPECT_DOUBLE_EQ(column.value(record, entry.windowSpan), c.value);
    }
    std::string text = "stale";
    tableCellText(column, entry, text);
    EXPECT_EQ(text, c.table);
    std::string printed = ">";
    appendPrintedCell(printed, column, entry);
    EXPECT_EQ(printed, std::string(">") + c.printed);
    if (c.file != nullptr) {
      std::string field = ">";
      appendFileField(field, column, entry);
      EXPECT_EQ(field, std::string(">") + c.file);
      EXPECT_NE(column.fileHeader, nullptr);
    } else {
      EXPECT_EQ(column.fileHeader, nullptr);
    }
  }
}

}  // namespace
}  // namespace kelvor
