#include "timestep/TimeStepLayout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "EngineFixture.h"
#include "model/TraceEvent.h"
#include "timestep/TimeStepWalk.h"

namespace kelvor {
namespace {

constexpr Rgb Lisr{25, 118, 255};
constexpr Rgb Red{255, 0, 0};
constexpr Rgb Black{0, 0, 0};
constexpr Rgb Purple{154, 0, 154};
constexpr Rgb Magenta{255, 0, 255};
constexpr Rgb Olive{125, 125, 0};
constexpr Rgb Yellow{255, 255, 0};
constexpr Rgb Green{0, 255, 0};
constexpr Rgb DarkGreen{0, 125, 0};

RunNameRecord runRecord(std::uint16_t id, const char* name, std::uint32_t priority) {
  RunNameRecord record;
  record.id = id;
  std::memcpy(record.name.data(), name, std::strlen(name));
  record.priority = priority;
  return record;
}

TEST(TimeStepLayoutTest, PriorityColourOfBarsAndLabelCells) {
  struct Case {
    std::uint32_t id;
    std::uint32_t priority;
    Rgb bar;
    Rgb label;
  };
  const Case cases[] = {
      {InterruptIdBase + 5, 0x5000, Lisr, Lisr},
      // The label cell counts only ids above InterruptIdBase as interrupts.
      {InterruptIdBase, 0x5000, Lisr, Olive},
      {InterruptIdBase, 0x0010, Lisr, Purple},
      {0x0205, 0x5000, Olive, Olive},
      {0x0205, 1000, Red, Red},
      {0x0010, 0x03FE, Purple, Purple},
      {0x0310, 0x0000, Purple, Purple},
      {0x0105, 0x0010, Magenta, Magenta},
      {0x0205, 0x03FE, Magenta, Magenta},
      {0x0305, 0x03FF, Magenta, Magenta},
      {0x0305, 0x32FF, Magenta, Magenta},
      // Task priorities on the low ids of the lower blocks: red bars, black label.
      {0x0005, 0x03FF, Red, Black},
      {0x0205, 0x32FF, Red, Black},
      {0x0305, 0x3300, Olive, Olive},
      {0x0305, 0x64FF, Olive, Olive},
      {0x0305, 0x6500, Yellow, Yellow},
      {0x0305, 0x96FF, Yellow, Yellow},
      {0x0305, 0x9700, Green, Green},
      {0x0305, 0xC8FF, Green, Green},
      {0x0305, 0xC900, DarkGreen, DarkGreen},
      {0x0305, 0xFFFF, DarkGreen, DarkGreen},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << std::hex << "id 0x" << c.id << " priority 0x" << c.priority);
    EXPECT_EQ(barColour(barBand(c.id, c.priority)), c.bar);
    EXPECT_EQ(labelColour(labelBand(c.id, c.priority)), c.label);
  }
}

TEST(TimeStepLayoutTest, PriorityFromTheTableItsGroupOrTheRunTrace) {
  ProcessTable table;
  table.store("own", 0x0201, 0x5000, OriginIdList);
  table.store("unknown own", 0x0202, UnknownPriority, OriginIdList);
  table.store("block 2", 0x02FF, 0x7000, OriginIdList);
  table.store("irq", InterruptIdBase + 0x0105, 0x0042, OriginIdList);
  const RunNameTable runNames = {runRecord(0x0201, "Mapped", 0x9900),
                                 runRecord(0x0105, "MappedIrq", 0x0077)};
  const EntryNaming plain(table, nullptr, RunNameUse{});
  const EntryNaming mapped(table, &runNames, RunNameUse{true, false});

  struct Case {
    const char* what;
    std::uint32_t id;
    const EntryNaming* naming;
    bool runTrace;
    std::uint32_t priority;
  };
  const Case cases[] = {
      {"own", 0x0201, &plain, false, 0x5000},
      {"own unknown: group", 0x0202, &plain, false, 0x7000},
      {"absent: group", 0x0203, &plain, false, 0x7000},
      {"absent without group", 0x0303, &plain, false, UnknownPriority},
      {"interrupt from the table", InterruptIdBase + 0x0105, &plain, false, 0x0042},
      {".run interrupt: low byte", InterruptIdBase + 0x0105, &plain, true, 0x05},
      {".run interrupt beats the mapping", InterruptIdBase + 0x0105, &mapped, true, 0x05},
      {".run mapping for processes", 0x0201, &mapped, true, 0x9900},
      {"not mapped: table", 0x0202, &mapped, true, 0x7000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(timeStepPriority(c.id, *c.naming, c.runTrace), c.priority);
  }
}

TEST(TimeStepLayoutTest, EntryLabelsShowIdAndName) {
  ProcessTable table;
  table.store("Idle", 0x0200, 0x5000, OriginIdList);
  table.store("block 2", 0x02FF, 0x5000, OriginIdList);
  table.store("Timer", InterruptIdBase + 5, 0, OriginIdList);
  table.store("NoName", 0x0300, 0x5000, OriginIdList);
  const RunNameTable runNames = {runRecord(0x0300, "RunTask", 0x100),
                                 runRecord(0x0300, "Second", 0x200),
                                 runRecord(0x0005, "RunIrq", 0)};

  struct Case {
    std::uint32_t id;
    const RunNameTable* runNames;
    RunNameUse use;
    const char* label;
  };
  const Case cases[] = {
      {0x0200, nullptr, {}, "0x0200 Idle"},
      // Absent: no name, and no fallback to the block's name.
      {0x0203, nullptr, {}, "0x0203 "},
      {InterruptIdBase + 5, nullptr, {}, "0x05 Timer"},
      {InterruptIdBase + 0x1A, nullptr, {}, "0x1A "},
      {0x0300, &runNames, {true, false}, "0x0300 RunTask"},
      {0x0300, &runNames, {false, true}, "0x0300 NoName"},
      {InterruptIdBase + 5, &runNames, {false, true}, "0x05 RunIrq"},
      {InterruptIdBase + 5, &runNames, {true, false}, "0x05 Timer"},
      {0x0200, &runNames, {true, true}, "0x0200 Idle"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(entryLabel(c.id, table, c.runNames, c.use), c.label);
  }
}

TEST(TimeStepLayoutTest, InterruptLabelCellIsBlue) {
  ProcessTable table;
  table.store("name", InterruptIdBase + 5, 0x0100, OriginIdList);
  const EntryNaming naming(table, nullptr, RunNameUse{});
  const std::uint32_t id = InterruptIdBase + 5;
  EXPECT_EQ(entryLabel(id, table, nullptr, RunNameUse{}), "0x05 name");
  EXPECT_EQ(labelColour(labelBand(id, timeStepPriority(id, naming, false))), Lisr);
}

TEST(TimeStepLayoutTest, SummaryRowsOfBothLayouts) {
  const SummaryRows condensed{true};
  EXPECT_EQ(condensed.count(), 6);
  EXPECT_EQ(condensed.userRuntimeRow(), 4);
  EXPECT_EQ(condensed.userMarksRow(), 5);
  const SummaryRows plain{false};
  EXPECT_EQ(plain.count(), 2);
  EXPECT_EQ(plain.userRuntimeRow(), 0);
  EXPECT_EQ(plain.userMarksRow(), 1);

  struct Case {
    std::uint32_t entryClass;
    std::optional<int> row;
  };
  const Case cases[] = {
      {0, 0}, {1, 0}, {2, 1}, {3, 2}, {4, 3}, {5, 3}, {6, std::nullopt}, {60000, std::nullopt}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entryClass);
    EXPECT_EQ(condensed.classRow(c.entryClass), c.row);
    EXPECT_EQ(plain.classRow(c.entryClass), std::nullopt);
  }
}

TEST(TimeStepLayoutTest, FixedTexts) {
  EXPECT_EQ(userRuntimeLabel(12.345, 0.5), "User Runtime:12.3%,0.500000s");
  EXPECT_EQ(userRuntimeLabel(0.0, 0.0), "User Runtime:0.0%,0.000000s");
  EXPECT_EQ(subtitleText(1), "Processes/ Tasks/ HISRs/ ISRs :-> Sorted By PID !");
  EXPECT_EQ(subtitleText(0), "Processes/ Tasks/ HISRs/ ISRs :-> Sorted By PRIO!");
  EXPECT_EQ(subtitleText(2), "Processes/ Tasks/ HISRs/ ISRs");
  EXPECT_EQ(subtitleText(-1), "Processes/ Tasks/ HISRs/ ISRs");
}

TEST(TimeStepLayoutTest, LegendInItsOrder) {
  struct Expected {
    const char* text;
    Rgb colour;
    LegendSwatch swatch;
  };
  const Expected expected[] = {
      {"LISRS", Lisr, LegendSwatch::Solid},
      {"HISRS", Purple, LegendSwatch::Solid},
      {"0-32FF", Magenta, LegendSwatch::Solid},
      {"3300-64FF", Olive, LegendSwatch::Solid},
      {"6500-96FF", Yellow, LegendSwatch::Solid},
      {"9700-C8FF", Green, LegendSwatch::Solid},
      {"C900-FFFF", DarkGreen, LegendSwatch::Solid},
      {"Unknown Priority", Red, LegendSwatch::Solid},
      {"interrupted", Rgb{255, 255, 255}, LegendSwatch::Solid},
      {"interrupted", Rgb{180, 180, 180}, LegendSwatch::Solid},
      {"undefined", Rgb{180, 180, 180}, LegendSwatch::Hatch},
  };
  const std::vector<LegendItem>& items = legendItems();
  ASSERT_EQ(items.size(), std::size(expected));
  for (std::size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(items[i].text, expected[i].text);
    EXPECT_EQ(items[i].colour, expected[i].colour);
    EXPECT_EQ(items[i].swatch, expected[i].swatch);
  }
}

TEST(TimeStepLayoutTest, LongestLabelKeepsTheLongerTextAndMeasuresXsUntilOneIsKnown) {
  LongestLabel longest;
  const std::string placeholder(28, 'X');
  EXPECT_EQ(longest.measuredText(), placeholder);
  longest.consider("0x0200 Idle");  // not longer than the initial 27 characters
  EXPECT_EQ(longest.measuredText(), placeholder);
  const std::string long30 = "0x0200 " + std::string(23, 'a');
  const std::string long29 = "0x0201 " + std::string(22, 'b');
  longest.consider(long30);
  longest.consider(long29);
  EXPECT_EQ(longest.measuredText(), long30);
  EXPECT_EQ(longest.length, 30u);
  longest.reset();
  EXPECT_EQ(longest.measuredText(), placeholder);
}

TEST(TimeStepLayoutTest, AxisTicksOnARoundSpan) {
  const TimeAxis axis(0.0, 1.0, 100, 500);
  const std::vector<AxisTick> ticks = axisTicks(axis);
  std::vector<const AxisTick*> majors;
  for (const AxisTick& tick : ticks) {
    if (tick.major) {
      majors.push_back(&tick);
    } else {
      EXPECT_TRUE(tick.label.empty());
      EXPECT_FALSE(tick.first);
    }
  }
  ASSERT_EQ(majors.size(), 11u);
  EXPECT_TRUE(majors[0]->first);
  EXPECT_EQ(majors[0]->x, 100);
  EXPECT_EQ(majors[0]->label, "0.0000");
  EXPECT_EQ(majors[1]->label, "0.1000");
  EXPECT_EQ(majors[1]->x, 150);
  EXPECT_EQ(majors[10]->label, "1.0000");
  for (std::size_t i = 1; i < majors.size(); ++i) {
    EXPECT_FALSE(majors[i]->first);
  }
  // Nine minor ticks strictly between each major and the next, none after the last.
  ASSERT_EQ(ticks.size(), 11u + 10u * 9u);
  EXPECT_TRUE(ticks.back().major);
  for (std::size_t i = 0; i + 1 < ticks.size(); ++i) {
    EXPECT_LT(ticks[i].x, ticks[i + 1].x) << "tick " << i;
  }
  EXPECT_EQ(ticks[1].x, 105);
  EXPECT_EQ(ticks[9].x, 145);
}

TEST(TimeStepLayoutTest, AxisTicksOfDegenerateWindows) {
  struct Case {
    const char* what;
    double start;
    double span;
  };
  const Case cases[] = {
      {"zero span", 2.0, 0.0},
      {"negative span", 2.0, -1.0},
      // The step is lost in the rounding of the start time.
      {"step below the start's resolution", 1e12, 1e-9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TimeAxis axis(c.start, c.span, 100, 500);
    const std::vector<AxisTick> ticks = axisTicks(axis);
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_TRUE(ticks[0].major);
    EXPECT_TRUE(ticks[0].first);
    EXPECT_EQ(ticks[0].x, axis.timeToX(c.start));
  }
  EXPECT_EQ(axisTicks(TimeAxis(2.0, 0.0, 100, 500))[0].label, "2.0000");
}

class TimeStepOrderTest : public test::EngineFixture {
 protected:
  // Registers each entry (visible) and gives processes their priority in the table.
  void addProcess(std::uint16_t id, std::uint32_t priority) {
    startProc(next_, id);
    next_ += 1.0;
    table.store("p", id, priority, OriginIdList);
  }
  void addInterrupt(std::uint32_t number) {
    startIrq(next_, number);
    next_ += 1.0;
  }
  std::vector<PriorityRow> sorted(const RunNameTable* runNames = nullptr, RunNameUse use = {},
                                  bool runTrace = false) {
    const EntryNaming naming(table, runNames, use);
    return sortByPriority(engine, naming, runTrace);
  }

  ProcessTable table;
  double next_ = 0.0;
};

TEST_F(TimeStepOrderTest, InterruptsThenHisrsThenTheRestEachByPriority) {
  addInterrupt(3);
  addInterrupt(1);
  addProcess(0x0010, 5);
  addProcess(0x0060, 5);  // same priority as 0x0010: stays behind it
  addProcess(0x0020, 2);
  startProc(next_, 0x0030);  // absent from the table: unknown, counted with the HISRs
  addProcess(0x0305, 0x10);
  addProcess(0x0105, 0x10);  // block 1: never a HISR
  addProcess(0x0205, 0x5000);
  addProcess(0x0300, 0x4000);
  addProcess(0x0040, 0x2000);  // block 0 with a task priority: no row
  addProcess(0x0050, 1);
  engine.statsFor(0x0050).visible = 0;

  const std::vector<PriorityRow> expected = {
      {InterruptIdBase + 1, 1},
      {InterruptIdBase + 3, 3},
      {0x0020, 2},
      {0x0010, 5},
      {0x0060, 5},
      {0x0305, 0x10},
      {0x0030, 1000},
      {0x0105, 0x10},
      {0x0300, 0x4000},
      {0x0205, 0x5000},
  };
  EXPECT_EQ(sorted(), expected);
}

TEST_F(TimeStepOrderTest, AllPrioritiesZeroKeepIdOrder) {
  // Enough entries that an unstable sort would reorder them.
  std::vector<PriorityRow> expected;
  for (std::uint16_t id = 0x0301; id <= 0x0340; ++id) {
    addProcess(id, 0);
    expected.push_back({id, 0});
  }
  addProcess(0x0201, 0);
  addProcess(0x0101, 0);
  expected.push_back({0x0101, 0});
  expected.push_back({0x0201, 0});
  EXPECT_EQ(sorted(), expected);
}

TEST_F(TimeStepOrderTest, RunMappingReplacesThePriorities) {
  addInterrupt(2);
  addInterrupt(1);
  addProcess(0x0205, 0x5000);
  addProcess(0x0206, 0x4000);
  addProcess(0x0010, 5);
  const RunNameTable runNames = {runRecord(0x0205, "a", 0x0001), runRecord(0x0010, "b", 0x2000),
                                 runRecord(0x0002, "irq", 0x0000)};
  // 0x0205 moves ahead of 0x0206; 0x0010 turns into a task of block 0 and has no row;
  // interrupts keep their numbers as priorities.
  const std::vector<PriorityRow> mapped = {
      {InterruptIdBase + 1, 1}, {InterruptIdBase + 2, 2}, {0x0205, 0x0001}, {0x0206, 0x4000}};
  EXPECT_EQ(sorted(&runNames, RunNameUse{true, true}, true), mapped);

  const std::vector<PriorityRow> unmapped = {{InterruptIdBase + 1, 1},
                                             {InterruptIdBase + 2, 2},
                                             {0x0010, 5},
                                             {0x0206, 0x4000},
                                             {0x0205, 0x5000}};
  EXPECT_EQ(sorted(&runNames, RunNameUse{false, true}, true), unmapped);
}

TEST_F(TimeStepOrderTest, RowsByIdAndByPriority) {
  addProcess(0x0300, 0x4000);
  addProcess(0x0200, 0x5000);
  addProcess(0x0250, 0x3000);
  addInterrupt(4);
  engine.statsFor(0x0250).visible = 0;
  EXPECT_EQ(numberVisibleRows(engine), 3u);

  const RowOrder byId = RowOrder::byId(engine);
  ASSERT_EQ(byId.size(), 3u);
  EXPECT_EQ(byId.rowOf(0x0200), 0);
  EXPECT_EQ(byId.rowOf(0x0300), 1);
  EXPECT_EQ(byId.rowOf(InterruptIdBase + 4), 2);
  EXPECT_EQ(byId.rowOf(0x0250), std::nullopt);
  EXPECT_EQ(byId.entryAt(1), 0x0300u);

  const RowOrder byPriority = RowOrder::byPriority(sorted());
  ASSERT_EQ(byPriority.size(), 3u);
  EXPECT_EQ(byPriority.rowOf(InterruptIdBase + 4), 0);
  EXPECT_EQ(byPriority.rowOf(0x0300), 1);
  EXPECT_EQ(byPriority.rowOf(0x0200), 2);
  EXPECT_EQ(byPriority.rowOf(0x0250), std::nullopt);
  EXPECT_EQ(byPriority.entryAt(2), 0x0200u);
}

}  // namespace
}  // namespace kelvor
