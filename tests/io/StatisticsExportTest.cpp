#include "io/StatisticsExport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "EngineFixture.h"

namespace kelvor {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, '\t')) {
    fields.push_back(field);
  }
  return fields;
}

TEST(PrintedTable, HeaderLine) {
  EXPECT_EQ(printedTableHeader(),
            "  PID Function                      % RT  #Cnt  Tot w Int Tot w/o. I Min w Int. "
            "Min w/o In Max w Int. Max w/o In # Int maxIn mixIn MinF MaxF MidF ActT GotT Send "
            "Rece ");
  EXPECT_EQ(printedTableHeader().size(), 166u);
}

using StatisticsExport = test::EngineFixture;

TEST_F(StatisticsExport, RowsOfFileAndPrintout) {
  ProcessTable names;
  names.store("IRQ_TIMER", 0x10005, 3, OriginHeaderProcesses);
  engine.setCurrentClock(26.0);
  startIrq(0.0, 5);
  endIrq(0.5, 5);
  startProc(1.0, 0x0101);  // never charged: outside the window below
  endProc(2.0, 0x0101);
  engine.analyse({0.0, 0.9});  // only the interrupt is charged

  const auto irq = splitTabs(statisticsFileLine(stats(0x10005), names, 2.0));
  ASSERT_EQ(irq.size(), 16u);
  EXPECT_EQ(irq[0], "05");
  EXPECT_EQ(irq[1], "IRQ_TIMER");
  EXPECT_EQ(irq[2], "25.000000");
  EXPECT_EQ(irq[3], "1");
  EXPECT_EQ(irq[4], "0.5");
  EXPECT_EQ(irq[15], "26");
  EXPECT_EQ(statisticsFileLine(stats(0x10005), names, 2.0).back(), '\t');

  const auto idle = splitTabs(statisticsFileLine(stats(0x0101), names, 2.0));
  EXPECT_EQ(idle[0], "0101");
  EXPECT_EQ(idle[1], "unknown ID");
  EXPECT_EQ(idle[2], "0.000000");
  for (int field : {7, 8, 13, 14}) {
    EXPECT_EQ(idle[field - 1], "999999") << "field " << field;
  }

  const std::string row = printedTableRow(stats(0x10005), names, 2.0);
  EXPECT_EQ(row.substr(0, 7), "  0x05 ");
  EXPECT_EQ(row.substr(7, 29), "IRQ_TIMER                    ");
  EXPECT_EQ(row.substr(36, 6), "25.00 ");
  EXPECT_EQ(row.substr(42, 6), "    1 ");
  EXPECT_EQ(row.substr(48, 11), " 500.000ms ");
  EXPECT_EQ(printedTableRow(stats(0x0101), names, 2.0).substr(0, 7), "0x0101 ");
}

TEST_F(StatisticsExport, EmptyWindowGivesZeroPercentNotNan) {
  ProcessTable names;
  startProc(1.0, 1);
  endProc(1.0, 1);
  analyseAll();
  ASSERT_EQ(engine.windowSpan(), 0.0);
  EXPECT_EQ(splitTabs(statisticsFileLine(stats(1), names, engine.windowSpan()))[2], "0.000000");
  EXPECT_EQ(printedTableRow(stats(1), names, 0.0).substr(36, 6), " 0.00 ");
}

TEST_F(StatisticsExport, FileHasHeaderAndCrLfLinesInIdOrder) {
  const fs::path file = fs::temp_directory_path() / "kelvor-export-test.asc";
  ProcessTable names;
  ASSERT_TRUE(writeStatisticsFile(engine, names, file.string()));
  {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), statisticsFileHeader() + "\r\n") << "an empty map writes the header";
  }
  startIrq(0.0, 1);
  endIrq(1.0, 1);
  startProc(1.0, 0x0200);
  endProc(2.0, 0x0200);
  analyseAll();
  ASSERT_TRUE(writeStatisticsFile(engine, names, file.string()));
  std::ifstream in(file, std::ios::binary);
  std::string header, first, second;
  std::getline(in, header);
  std::getline(in, first);
  std::getline(in, second);
  EXPECT_EQ(header, statisticsFileHeader() + "\r");
  EXPECT_EQ(first.rfind("0200\t", 0), 0u);
  EXPECT_EQ(second.rfind("01\t", 0), 0u);
  EXPECT_EQ(second.back(), '\r');
  fs::remove(file);
  EXPECT_FALSE(writeStatisticsFile(engine, names, "/nonexistent-dir/x.asc"));
}

}  // namespace
}  // namespace kelvor
