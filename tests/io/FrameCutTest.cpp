#include "io/FrameCut.h"

#include <gtest/gtest.h>

namespace kelvor {
namespace {

TEST(FrameCut, ChecksRunInOrder) {
  struct Case {
    const char* file;
    std::uint32_t from, to;
    FrameCutCheck expected;
  };
  const Case cases[] = {
      {"", 0, 99, FrameCutCheck::NoTraceFile},
      {"", 5, 1, FrameCutCheck::NoTraceFile},
      {"t.prn", 5, 1, FrameCutCheck::FromAfterTo},
      {"t.prn", 7, 7, FrameCutCheck::FromSameAsTo},
      {"t.prn", 0, 0, FrameCutCheck::FromSameAsTo},
      {"t.prn", 10, 20, FrameCutCheck::NotFromTheStart},
      {"t.prn", 0, 99, FrameCutCheck::Ok},
      // A negative To typed into the dialog is a very large unsigned number.
      {"t.prn", 0, static_cast<std::uint32_t>(-1), FrameCutCheck::Ok},
      {"t.prn", static_cast<std::uint32_t>(-1), 5, FrameCutCheck::FromAfterTo},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(checkFrameCut(c.file, c.from, c.to), c.expected)
        << "'" << c.file << "' " << c.from << " " << c.to;
  }
  EXPECT_EQ(frameCutMessage(FrameCutCheck::FromSameAsTo),
            "From is Same as To ! Try to provide valid values !");
  EXPECT_TRUE(frameCutMessage(FrameCutCheck::Ok).empty());
  EXPECT_EQ(frameCutSavedMessage("/tmp/a.mes"), "File Saved at and as : /tmp/a.mes");
}

}  // namespace
}  // namespace kelvor
