#include "model/ProcessTable.h"

#include <gtest/gtest.h>

namespace kelvor {
namespace {

class ProcessTableTest : public ::testing::Test {
 protected:
  ProcessTableTest() {
    table.store("PROC_A", 0x1234, 7, OriginIdList);
    table.store("GROUP_B", 0x12FF, 40, OriginIdList);
    table.store("UNSURE", 0x1236, UnknownPriority, OriginIdList);
    table.store("IRQ_GROUP", 0x00FF, 3, OriginHeaderProcesses);
  }
  ProcessTable table;
};

TEST_F(ProcessTableTest, NameFallsBackToGroupThenUnknown) {
  EXPECT_EQ(table.entryName(0x1234), "PROC_A");
  EXPECT_EQ(table.entryName(0x1255), "GROUP_B::unknown ID");
  EXPECT_EQ(table.entryName(0x1355), "unknown ID");
  // Interrupt entries use the same group rule: 0x10003 belongs to group 0x00FF.
  EXPECT_EQ(table.entryName(0x10003), "IRQ_GROUP::unknown ID");
}

TEST_F(ProcessTableTest, PriorityFallsBackToGroupWhenMissingOrUnknown) {
  EXPECT_EQ(table.priorityOf(0x1234), 7u);
  EXPECT_EQ(table.priorityOf(0x1236), 40u);  // own priority unknown
  EXPECT_EQ(table.priorityOf(0x1299), 40u);  // no own entry
  EXPECT_EQ(table.priorityOf(0x1399), UnknownPriority);
}

TEST(ProcessTableReplace, InstallsTheNewTableWithoutMerging) {
  ProcessTable table;
  table.store("OLD", 1, 5, OriginIdList);
  ProcessTable fresh;
  fresh.store("NEW", 2, 6, OriginHeaderNoProcess);
  fresh.store("LATER", 2, 9, OriginIdList);  // a later record of the same id wins
  table.replace(std::move(fresh));
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table.find(1), nullptr);
  ASSERT_NE(table.find(2), nullptr);
  EXPECT_EQ(table.find(2)->name, "LATER");
  EXPECT_EQ(table.find(2)->priority, 9u);
  EXPECT_EQ(table.find(2)->origin, static_cast<std::uint32_t>(OriginIdList));
}

}  // namespace
}  // namespace kelvor
