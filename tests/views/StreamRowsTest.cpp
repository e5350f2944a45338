#include "views/StreamRows.h"

#include <gtest/gtest.h>

#include <random>

namespace kelvor {
namespace {

// A stream of every listed and unlisted kind, some of its entries hidden, listed once over the
// whole stream and once in pieces as a recording appends them.
class ListedEventIndexTest : public ::testing::Test {
 protected:
  ListedEventIndexTest() {
    context.console = nullptr;
    engine = std::make_unique<StatisticsEngine>(context);
  }

  void appendRandom(std::size_t count, std::mt19937& random) {
    const EventKind kinds[] = {
        EventKind::START_PROC,        EventKind::END_PROC,       EventKind::START_IRQ,
        EventKind::END_IRQ,           EventKind::USER_MARK,      EventKind::RAISE_IRQ_LEVEL,
        EventKind::CLK_SPEED,         EventKind::PSEUDO_PROCESS, EventKind::SET_IRQ_LEVEL,
        EventKind::RESTORE_IRQ_LEVEL, EventKind::USER_ENTER,     EventKind::USER_EXIT};
    std::uniform_int_distribution<int> kind(0, std::size(kinds) - 1);
    std::uniform_int_distribution<std::uint16_t> id(0x200, 0x20F);
    std::uniform_int_distribution<std::uint32_t> irq(1, 6);
    for (std::size_t i = 0; i < count; ++i) {
      time += 0.00001;
      engine->append(TraceEvent(time, id(random), kinds[kind(random)], irq(random), 0, 0.0, 0));
    }
  }

  void hideSome() {
    for (std::uint32_t entry : {0x203u, 0x207u, InterruptIdBase + 2}) {
      engine->statsFor(entry).visible = 0;
    }
  }

  AnalysisContext context;
  std::unique_ptr<StatisticsEngine> engine;
  double time = 0.0;
};

TEST_F(ListedEventIndexTest, ExtendingPieceByPieceListsWhatARebuildLists) {
  for (std::size_t piece : {1u, 7u, 833u, 5000u}) {
    engine->clear();
    time = 0.0;
    std::mt19937 random(static_cast<unsigned>(piece));
    hideSome();
    ListedEventIndex growing;
    std::size_t added = 0;
    for (int round = 0; round < 12; ++round) {
      appendRandom(piece, random);
      added += growing.extend(engine->stream(), VisibleEntries(*engine));
      ASSERT_EQ(growing.scanned(), engine->stream().size());
    }
    ListedEventIndex whole;
    whole.rebuild(engine->stream(), VisibleEntries(*engine));
    ASSERT_EQ(growing.size(), whole.size()) << piece;
    EXPECT_EQ(added, whole.size()) << piece;
    EXPECT_GT(whole.size(), 0u);
    if (piece >= 833) {
      EXPECT_LT(whole.size(), engine->stream().size());  // hidden entries and pseudo processes
    }
    for (std::size_t row = 0; row < whole.size(); ++row) {
      ASSERT_EQ(growing.eventAt(row), whole.eventAt(row)) << piece << " row " << row;
    }
    // Nothing new: nothing added.
    EXPECT_EQ(growing.extend(engine->stream(), VisibleEntries(*engine)), 0u);
  }
}

}  // namespace
}  // namespace kelvor
