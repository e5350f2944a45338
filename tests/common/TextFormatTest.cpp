#include "common/TextFormat.h"

#include <gtest/gtest.h>

namespace kelvor {
namespace {

TEST(FormatDuration, PicksTheUnitThatMakesTheValueAtLeastOne) {
  struct Case {
    double seconds;
    const char* text;
  };
  const Case cases[] = {{0.00125, "   1.250ms "},   {12.5, "  12.500 s "},   {0.0, "   0.000ps "},
                        {1.0, "   1.000 s "},       {2.5e-6, "   2.500us "}, {7e-9, "   7.000ns "},
                        {3e-12, "   3.000ps "},     {1e-13, "   0.000ps "},  {-1.0, "   0.000ps "},
                        {999999.0, "999999.000 s "}};
  for (const Case& c : cases) {
    EXPECT_EQ(FormatDuration(c.seconds), c.text) << c.seconds;
  }
}

TEST(PadField, CutsAndPads) {
  EXPECT_EQ(PadField("PID", 5, FieldAlignment::Right), "  PID");
  EXPECT_EQ(PadField("Function", 10, FieldAlignment::Left), "Function  ");
  EXPECT_EQ(PadField("Tot w/o. Int", 10, FieldAlignment::Right), "Tot w/o. I");
  EXPECT_EQ(PadField("", 2, FieldAlignment::Left), "  ");
}

}  // namespace
}  // namespace kelvor
