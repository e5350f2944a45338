#include "common/TextNumbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>

namespace kelvor {
namespace {

TEST(TextNumbers, ParseLeadingDecimal) {
  struct Case {
    const char* text;
    std::optional<double> value;
  };
  const Case cases[] = {
      {"26", 26.0},        {" 52.5", 52.5},       {"+13", 13.0},         {"-1.5e1", -15.0},
      {"104MHz", 104.0},   {".5", 0.5},           {"", std::nullopt},    {"abc", std::nullopt},
      {"-", std::nullopt}, {"nan", std::nullopt}, {"inf", std::nullopt}, {"1e999", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parseLeadingDecimal(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST(TextNumbers, AppendGeneralMatchesDefaultStreamNotation) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {{0.5, "0.5"},
                        {1.0, "1"},
                        {0.1, "0.1"},
                        {123456789.0, "1.23457e+08"},
                        {1e-5, "1e-05"},
                        {0.0001, "0.0001"},
                        {-2.25, "-2.25"},
                        {1.2345678, "1.23457"},
                        {std::numeric_limits<double>::infinity(), "inf"}};
  for (const Case& c : cases) {
    std::string out;
    appendGeneral(out, c.value);
    EXPECT_EQ(out, c.text);
  }
}

}  // namespace
}  // namespace kelvor
