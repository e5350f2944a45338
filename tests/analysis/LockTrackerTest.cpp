#include "analysis/LockTracker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "EngineFixture.h"

namespace kelvor {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(LockTracker, RepeatedLockKeepsTheFirstLockTime) {
  LockTracker tracker;
  tracker.levelChanged(0x80, 1.0, 5);
  tracker.levelChanged(0x80, 1.2, 5);
  tracker.levelChanged(0, 1.5, 5);
  ASSERT_EQ(tracker.periods().size(), 1u);
  const LockPeriod& p = tracker.periods()[0];
  EXPECT_DOUBLE_EQ(p.duration, 0.5);
  EXPECT_EQ(p.level, 128u);
  EXPECT_EQ(p.start, 1.0);
  EXPECT_EQ(p.end, 1.5);
  EXPECT_EQ(p.entry, 5u);
}

TEST(LockTracker, UnlockWithoutLockAndOpenLockRecordNothing) {
  LockTracker tracker;
  tracker.levelChanged(0, 1.0, 5);
  tracker.levelChanged(0x80, 2.0, 5);
  EXPECT_TRUE(tracker.periods().empty());
}

TEST(LockTracker, HigherLevelsNestAndUnwindToTheNewLevel) {
  LockTracker tracker;
  tracker.levelChanged(1, 0.0, 1);
  tracker.levelChanged(4, 1.0, 2);
  tracker.levelChanged(2, 3.0, 3);  // ends level 4, level 1 stays below 2, so 2 is pushed
  tracker.levelChanged(0, 7.0, 4);  // ends 2 then 1
  const auto& periods = tracker.periods();
  ASSERT_EQ(periods.size(), 3u);
  EXPECT_EQ(periods[0].level, 4u);
  EXPECT_EQ(periods[0].duration, 2.0);
  EXPECT_EQ(periods[1].level, 2u);
  EXPECT_EQ(periods[1].start, 3.0);
  EXPECT_EQ(periods[2].level, 1u);
  EXPECT_EQ(periods[2].duration, 7.0);
  EXPECT_EQ(periods[2].entry, 4u);
}

TEST(LockTracker, ShortestFirstAndEqualDurationsInOrderOfEnding) {
  LockTracker tracker;
  const double locks[][2] = {{0.0, 0.3}, {1.0, 1.1}, {2.0, 2.25}, {3.0, 3.25}, {4.0, 4.125}};
  std::uint32_t entry = 1;
  for (const auto& stretch : locks) {
    tracker.levelChanged(0x80, stretch[0], entry);
    tracker.levelChanged(0, stretch[1], entry++);
  }
  std::vector<std::uint32_t> order;
  for (const LockPeriod& p : tracker.periods()) {
    order.push_back(p.entry);
  }
  EXPECT_EQ(order, (std::vector<std::uint32_t>{2, 5, 3, 4, 1}));
  tracker.resetLocks();
  EXPECT_TRUE(tracker.periods().empty());
}

using LockAnalysis = test::EngineFixture;

TEST_F(LockAnalysis, PeriodIsChargedToTheUnlockingEntryAndWritten) {
  startProc(0.0, 5);
  lock(1.0, true);
  startIrq(1.5, 2);
  lock(2.0, false);  // unlocked inside interrupt 2
  endIrq(2.5, 2);
  lock(3.0, true);
  lock(3.25, false);
  endProc(4.0, 5);
  analyseAll();

  const auto& periods = engine.locks().periods();
  ASSERT_EQ(periods.size(), 2u);
  EXPECT_EQ(periods[0].entry, 5u);
  EXPECT_EQ(periods[1].entry, 0x10002u);

  const fs::path dir = fs::temp_directory_path() / "kelvor-lock-test";
  fs::create_directories(dir);
  const fs::path file = dir / "locks.ilm";
  std::ofstream(file) << "previous contents that must go";
  ASSERT_TRUE(engine.locks().writeLockFile(file.string()));
  EXPECT_EQ(readFile(file),
            "0.25\t128\t5\t3\t3.25\r\n"
            "1\t128\t65538\t1\t2\r\n");

  // A second analysis rebuilds the list rather than adding to it.
  engine.analyse({0.0, 1.0e30});
  EXPECT_EQ(engine.locks().periods().size(), 2u);

  // A file that cannot be created is not written and leaves nothing behind.
  EXPECT_FALSE(engine.locks().writeLockFile((dir / "no-such-dir" / "x.ilm").string()));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);
  fs::remove_all(dir);
}

TEST_F(LockAnalysis, EmptyListWritesAnEmptyFile) {
  const fs::path file = fs::temp_directory_path() / "kelvor-lock-empty.ilm";
  analyseAll();
  ASSERT_TRUE(engine.locks().writeLockFile(file.string()));
  EXPECT_EQ(readFile(file), "");
  fs::remove(file);
}

}  // namespace
}  // namespace kelvor
