#include "model/TraceEvent.h"

#include <gtest/gtest.h>

namespace kelvor {
namespace {

TEST(TraceEvent, ConstructorTakesAddressBeforeClock) {
  const TraceEvent e(1.5, 7, EventKind::START_IRQ, 4, 0x1234, 26.0, 3);
  EXPECT_EQ(e.time, 1.5);
  EXPECT_EQ(e.id, 7);
  EXPECT_EQ(e.kind, EventKind::START_IRQ);
  EXPECT_EQ(e.number, 4u);
  EXPECT_EQ(e.address, 0x1234u);
  EXPECT_EQ(e.clock, 26.0);
  EXPECT_EQ(e.sourceType, 3);
}

TEST(TraceEvent, KindNames) {
  const char* names[] = {"INVALID",        "START_PROC",      "END_PROC",      "START_IRQ",
                         "END_IRQ",        "RAISE_IRQ_LEVEL", "SET_IRQ_LEVEL", "RESTORE_IRQ_LEVEL",
                         "CLK_SPEED",      "USER_MARK",       "USER_ENTER",    "USER_EXIT",
                         "PSEUDO_PROCESS", "INVALID"};
  for (std::uint32_t value = 0; value <= 13; ++value) {
    EXPECT_EQ(kindName(static_cast<EventKind>(value)), names[value]) << "kind " << value;
  }
  EXPECT_EQ(kindName(static_cast<EventKind>(0xFFFFFFFFu)), "INVALID");
}

struct KeyCase {
  EventKind kind;
  std::uint16_t id;
  std::uint32_t number;
  std::uint32_t eventKey;
  std::uint32_t entryId;
};

TEST(TraceEvent, EventKeyAndEntryIdAreDifferentDerivations) {
  const KeyCase cases[] = {
      {EventKind::START_PROC, 0x0103, 9, 0x0103, 0x0103},
      {EventKind::END_PROC, 0x0103, 9, 0x0103, 0x0103},
      {EventKind::START_IRQ, 0, 4, 4, 0x10004},
      {EventKind::END_IRQ, 2, 4, 4, 0x10004},
      {EventKind::PSEUDO_PROCESS, 2, 0x0501, 0x0501, 0},
      {EventKind::USER_ENTER, 0, 5, 0x20005, 0},
      {EventKind::USER_ENTER, 7, 5, 0x20007, 0},
      {EventKind::USER_MARK, 0, 3, 0x20003, 0},
      {EventKind::USER_EXIT, 1, 0, 0x20001, 0},
      {EventKind::CLK_SPEED, 6, 1, 6, 0},
      {EventKind::SET_IRQ_LEVEL, 6, 0x80, 6, 0},
      {static_cast<EventKind>(13), 6, 1, 6, 0},
  };
  for (const KeyCase& c : cases) {
    const TraceEvent e(0.0, c.id, c.kind, c.number, 0, 0.0, 0);
    EXPECT_EQ(eventKey(e), c.eventKey) << kindName(c.kind) << " id " << c.id;
    EXPECT_EQ(entryId(e), c.entryId) << kindName(c.kind) << " id " << c.id;
  }
}

}  // namespace
}  // namespace kelvor
