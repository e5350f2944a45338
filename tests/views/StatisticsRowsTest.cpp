#include "views/StatisticsRows.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kelvor {
namespace {

TEST(RunNameUse, OnlyALoadedRunFileNamesTheEntriesWithoutIdFile) {
  struct Case {
    std::uint32_t runFileLoaded;
    DisplayFlags flags;
    bool processes;
    bool interrupts;
  };
  const Case cases[] = {
      {0, {true, true}, false, false}, {2, {true, true}, false, false},
      {1, {true, true}, true, true},   {1, {false, true}, false, true},
      {1, {true, false}, true, false}, {1, {false, false}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.runFileLoaded << " " << c.flags.pidFileMissing << " "
                                    << c.flags.interruptFileMissing);
    const RunNameUse use = runNameUse(c.runFileLoaded, c.flags);
    EXPECT_EQ(use.processes, c.processes);
    EXPECT_EQ(use.interrupts, c.interrupts);
  }
}

TEST(StatisticsRows, LiveSetClearsTheLaterColumnsOfReusedRows) {
  std::ostringstream console;
  AnalysisContext context;
  context.console = &console;
  StatisticsEngine engine(context);
  ProcessStats& record = engine.statsFor(0x0200);
  record.calls = 9;
  record.receMes = 7;
  const ProcessTable names;
  StatisticsRowSource source;
  source.engine = &engine;
  source.processTable = &names;

  std::vector<StatisticsRow> rows;
  buildStatisticsRows(source, rows);
  ASSERT_EQ(rows.size(), 1u);
  const auto receMes = static_cast<std::size_t>(StatisticsColumnId::ReceMes);
  const auto calls = static_cast<std::size_t>(StatisticsColumnId::Calls);
  EXPECT_EQ(rows[0].texts[receMes], "7");
  EXPECT_EQ(rows[0].values[receMes], 7.0);
  EXPECT_EQ(rows[0].values[calls], 9.0);

  source.live = true;
  buildStatisticsRows(source, rows);
  EXPECT_EQ(rows[0].texts[receMes], "");
  EXPECT_EQ(rows[0].values[receMes], 0.0);
  EXPECT_EQ(rows[0].texts[calls], "9");

  source.engine = nullptr;
  buildStatisticsRows(source, rows);
  EXPECT_TRUE(rows.empty());
}

}  // namespace
}  // namespace kelvor
