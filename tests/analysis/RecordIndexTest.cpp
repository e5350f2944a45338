#include "analysis/RecordIndex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kelvor {
namespace {

// Process 5 and interrupt 5 (0x10005) share their low 16 bits: the index must keep them apart, and
// ids around the table borders must land in their own slot or be reported as not covered.
TEST(RecordIndexTest, KeepsProcessAndInterruptIdsApartAtTheBorders) {
  const std::vector<std::uint32_t> ids = {0x0, 0x5, 0xFF, 0x100, 0xFFFF, 0x10000, 0x10005, 0x1FFFF};
  std::vector<ProcessStats> records(ids.size());
  RecordIndex index;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    index.set(ids[i], &records[i]);
  }
  for (std::size_t i = 0; i < ids.size(); ++i) {
    SCOPED_TRACE(ids[i]);
    ASSERT_TRUE(index.covers(ids[i]));
    EXPECT_EQ(index.at(ids[i]), &records[i]);
  }
  EXPECT_FALSE(index.covers(RecordIndex::Limit));
  EXPECT_FALSE(index.covers(0xFFFFFFFFu));
  ASSERT_TRUE(index.covers(0x10006));
  EXPECT_EQ(index.at(0x10006), nullptr);
}

// A record covers only the ids of its own page: process 3 and interrupt 0x100 stay uncovered (and
// so absent) after interrupt 3 got its record, and clearing drops every page.
TEST(RecordIndexTest, CoversOnlyThePagesThatHoldRecords) {
  ProcessStats record;
  RecordIndex index;
  index.set(0x10003, &record);
  EXPECT_FALSE(index.covers(0x3));
  EXPECT_FALSE(index.covers(0x10100));
  index.clear();
  EXPECT_FALSE(index.covers(0x10003));
}

}  // namespace
}  // namespace kelvor
