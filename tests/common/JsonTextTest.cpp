#include "common/JsonText.h"

#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>
#include <string>

namespace kelvor {
namespace {

using Json = nlohmann::json;

TEST(JsonTextTest, StringsAreEscapedAndInvalidUtf8IsReplaced) {
  const std::string replacement = "\xEF\xBF\xBD";
  const struct {
    std::string raw;
    std::string decoded;
  } cases[] = {
      {"plain", "plain"},
      {std::string("nul\0end", 7), std::string("nul\0end", 7)},
      {"\x1f\b\f\r", "\x1f\b\f\r"},
      {"\xC2\xB5s \xE2\x82\xAC \xF0\x9F\x98\x80", "\xC2\xB5s \xE2\x82\xAC \xF0\x9F\x98\x80"},
      {"latin \xFC", "latin " + replacement},
      {"cut \xE2\x82", "cut " + replacement + replacement},
      {"overlong \xC0\xAF \xE0\x80\xAF",
       "overlong " + replacement + replacement + " " + replacement + replacement + replacement},
      {"surrogate \xED\xA0\x80", "surrogate " + replacement + replacement + replacement},
      {"too high \xF4\x90\x80\x80",
       "too high " + replacement + replacement + replacement + replacement},
      {"stray \x80 end", "stray " + replacement + " end"},
  };
  for (const auto& c : cases) {
    std::string out;
    appendJsonString(out, c.raw);
    EXPECT_EQ(Json::parse(out).get<std::string>(), c.decoded) << out;
  }
}

TEST(JsonTextTest, NumbersReadBackExactly) {
  for (const double value : {0.0, 1.0e6, 2.5e-7, 165.94714000000002, 0.1 * 3, 1.0e-300, 5e-324,
                             1.7976931348623157e308, -123456789.12345678}) {
    std::string out;
    appendJsonNumber(out, value);
    const double back = Json::parse(out).get<double>();
    EXPECT_EQ(back, value) << out;
  }
}

TEST(JsonTextTest, NonFiniteNumbersAndIntegers) {
  std::string out;
  appendJsonNumber(out, std::numeric_limits<double>::infinity());
  out += ',';
  appendJsonNumber(out, std::numeric_limits<double>::quiet_NaN());
  out += ',';
  appendJsonInteger(out, 18446744073709551615ull);
  EXPECT_EQ(out, "null,null,18446744073709551615");
}

}  // namespace
}  // namespace kelvor
