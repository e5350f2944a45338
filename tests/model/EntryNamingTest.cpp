#include "model/EntryNaming.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "model/TraceEvent.h"

namespace kelvor {
namespace {

TEST(EntryIdText, InterruptBoundaryPerStyle) {
  struct Case {
    std::uint32_t id;
    const char* view;
    const char* file;
  };
  const Case cases[] = {
      {0x0000, "0x0000", "0000"},    {0x0105, "0x0105", "0105"}, {0xFFFF, "0xFFFF", "FFFF"},
      {0x10000, "0x00", "10000"},  // the base itself: an interrupt only in the views
      {0x10001, "0x01", "01"},       {0x10005, "0x05", "05"},    {0x1001A, "0x1A", "1A"},
      {0x100FF, "0xFF", "FF"},       {0x10100, "0x100", "100"},  {0x101FF, "0x1FF", "1FF"},
      {0x20003, "0x10003", "10003"},  // user marks read as their offset from the base
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.view);
    EXPECT_EQ(entryIdText(c.id, IdTextStyle::View), c.view);
    EXPECT_EQ(entryIdText(c.id, IdTextStyle::File), c.file);
  }
  EXPECT_FALSE(idTextShowsInterrupt(InterruptIdBase - 1, IdTextStyle::View));
  EXPECT_TRUE(idTextShowsInterrupt(InterruptIdBase, IdTextStyle::View));
  EXPECT_FALSE(idTextShowsInterrupt(InterruptIdBase, IdTextStyle::File));
  EXPECT_TRUE(idTextShowsInterrupt(InterruptIdBase + 1, IdTextStyle::File));
  // A view that knows the kind writes numbers and ids without an offset.
  EXPECT_EQ(interruptIdText(0xFFFFFFFFu, IdTextStyle::View), "0xFFFFFFFF");
  EXPECT_EQ(processIdText(0x2A, IdTextStyle::View), "0x002A");
}

RunNameRecord runRecord(std::uint16_t id, const char* name, std::uint32_t priority) {
  RunNameRecord record;
  record.id = id;
  std::snprintf(record.name.data(), record.name.size(), "%s", name);
  record.priority = priority;
  return record;
}

class EntryNamingTest : public ::testing::Test {
 protected:
  EntryNamingTest() {
    table.store("TableProc", 0x0200, 0x0100, OriginIdList);
    table.store("TableIrq", InterruptIdBase + 7, 3, OriginHeaderProcesses);
    runNames = {runRecord(0x0200, "RunProc", 0x9800), runRecord(7, "RunIrq", 5),
                runRecord(0x0200, "Later", 1)};
  }
  ProcessTable table;
  RunNameTable runNames;
};

TEST_F(EntryNamingTest, RunNamesStandInOnlyForTheClassesTheyAreUsedFor) {
  struct Case {
    RunNameUse use;
    std::uint32_t id;
    const char* name;
    std::uint32_t priority;
  };
  const std::uint32_t irq7 = InterruptIdBase + 7;
  const Case cases[] = {
      {{false, false}, 0x0200, "TableProc", 0x0100},
      {{true, false}, 0x0200, "RunProc ", 0x9800},  // the first record of an id counts
      {{false, true}, 0x0200, "TableProc", 0x0100},
      {{true, false}, irq7, "TableIrq", 3},
      {{false, true}, irq7, "RunIrq ", 5},   // interrupts are looked up by their number
      {{true, true}, 0x0007, "RunIrq ", 5},  // a process with the number's id takes it too
      {{true, true}, 0x0300, "unknown ID", UnknownPriority},  // not in either table
      // Ids past the 16 bits of a .run record never match one.
      {{true, true}, InterruptIdBase + 0x10007, "unknown ID", UnknownPriority},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.id << " processes " << c.use.processes
                                    << " interrupts " << c.use.interrupts);
    const EntryNaming naming(table, &runNames, c.use);
    EXPECT_EQ(naming.name(c.id), c.name);
    EXPECT_EQ(naming.priority(c.id), c.priority);
  }
}

TEST_F(EntryNamingTest, WithoutRunNamesTheProcessTableNamesEverything) {
  const RunNameTable empty;
  for (const RunNameTable* names : {static_cast<const RunNameTable*>(nullptr), &empty}) {
    const EntryNaming naming(table, names, RunNameUse{true, true});
    EXPECT_EQ(naming.name(0x0200), "TableProc");
    EXPECT_EQ(naming.priority(InterruptIdBase + 7), 3u);
  }
}

}  // namespace
}  // namespace kelvor
