#include "common/TextCursor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/TextNumbers.h"

namespace kelvor {
namespace {

using listing::readHexAddress;
using listing::readTimestamp;

// The two hexadecimal syntaxes: settings, MOP-area data words, .mes columns and ID lists take an
// optional prefix and either case; listing addresses take upper-case digits only, no prefix.
TEST(HexReaders, EachKeepsItsSyntax) {
  struct Case {
    const char* text;
    std::uint32_t prefixed;       // parseHexText
    std::uint32_t address;        // readHexAddress
    std::size_t addressConsumed;  // characters readHexAddress consumed
  };
  const Case cases[] = {
      {"", 0, 0, 0},
      {"0", 0, 0, 1},
      {"1A", 0x1A, 0x1A, 2},
      {"1a", 0x1A, 1, 1},
      {"abcdef", 0xABCDEF, 0, 0},
      {"0x1A", 0x1A, 0, 1},
      {"0X1f", 0x1F, 0, 1},
      {"0x", 0, 0, 1},
      {"x12", 0, 0, 0},
      {"-5", 0, 0, 0},
      {" 5", 0, 0, 0},
      {"12 34", 0x12, 0x12, 2},
      {"DEADg", 0xDEAD, 0xDEAD, 4},
      {"C0000020\t", 0xC0000020, 0xC0000020, 8},
      {"FFFFFFFF", 0xFFFFFFFF, 0xFFFFFFFF, 8},
      // More than eight digits shift the high ones out.
      {"123456789", 0x23456789, 0x23456789, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(parseHexText(c.text), c.prefixed);
    LineCursor cursor{std::string_view(c.text)};
    EXPECT_EQ(readHexAddress(cursor), c.address);
    EXPECT_EQ(static_cast<std::size_t>(cursor.at - c.text), c.addressConsumed);
  }
}

// The unsigned decimal reader of the listings and the one of the ID-file cursor accept the same
// texts; the ID-file cursor also raises its stream flags.
TEST(UnsignedReaders, AcceptTheSameTexts) {
  struct Case {
    const char* text;
    std::optional<std::uint32_t> value;
    std::size_t consumed;
    bool eof;  // the ID-file cursor ran into the end of the text
  };
  const Case cases[] = {
      {"42", 42, 2, true},
      {"  \t007 x", 7, 6, false},
      {"\n12abc", 12, 3, false},
      {"4294967295", 4294967295u, 10, true},
      {"4294967296 1", std::nullopt, 10, false},  // overflow: the digits are consumed
      {"99999999999999999999999", std::nullopt, 23, true},
      {"+5", std::nullopt, 0, false},
      {"-5", std::nullopt, 0, false},
      {"x", std::nullopt, 0, false},
      {"   ", std::nullopt, 3, true},
      {"", std::nullopt, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    LineCursor line{std::string_view(c.text)};
    EXPECT_EQ(readUnsigned(line), c.value);
    EXPECT_EQ(static_cast<std::size_t>(line.at - c.text), c.consumed);

    TextCursor text{std::string_view(c.text)};
    std::uint32_t value = 12345;
    EXPECT_EQ(text.readUnsigned(value), c.value.has_value());
    EXPECT_EQ(value, c.value.value_or(12345));
    EXPECT_EQ(text.eof(), c.eof);
    // After a failure nothing is read until the flags are cleared.
    std::string_view word;
    if (!c.value) {
      EXPECT_FALSE(text.readWord(word));
    }
  }
}

TEST(SignedReader, TakesOneSignAndThirtyTwoBits) {
  const std::pair<const char*, std::optional<std::int32_t>> cases[] = {
      {"-26", -26},
      {" +13", 13},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},
      {"--1", std::nullopt},
      {"- 1", std::nullopt},
      {"fast", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    LineCursor cursor{std::string_view(text)};
    EXPECT_EQ(readSigned(cursor), expected) << text;
  }
}

TEST(TextCursor, StreamFlagsBlockUntilCleared) {
  TextCursor in("ab\tcd\nef");
  std::string_view word;
  ASSERT_TRUE(in.readWord(word));
  EXPECT_EQ(word, "ab");
  EXPECT_EQ(in.peek(), '\t');
  EXPECT_EQ(in.readChars(1), "\t");
  EXPECT_EQ(in.readInLine(8), "cd");
  EXPECT_EQ(in.readInLine(8), "");  // stops before the line end: nothing read is a failure
  EXPECT_EQ(in.peek(), -1);
  in.clear();
  in.ignoreThrough('\n');
  EXPECT_EQ(in.readChars(3), "ef");  // fewer than asked: end and failure
  EXPECT_TRUE(in.eof());
  EXPECT_EQ(in.readChars(1), "");
  in.clear();
  EXPECT_FALSE(in.readWord(word));
  EXPECT_TRUE(in.eof());
}

TEST(ListingTimestamp, ReadsValueAndUnitByTheCharacterRules) {
  struct Case {
    const char* text;
    bool lessThanRule;
    double expected;
    bool lessThanSeen;
  };
  const Case cases[] = {
      {"12.5 us", true, std::strtod("12.5e-6", nullptr), false},
      {"  0.040us  trailing", false, std::strtod("0.040e-6", nullptr), false},
      {"3 ms", false, 3e-3, false},
      {"2 s", false, 2.0, false},
      {"7 ps", false, 7e-12, false},
      // A marked value is 1 in its unit; only the '.' of its digits survives.
      {"<8.000 ns", true, 1e-9, true},
      {"<8.000 ns", false, 8e-9, false},
      {"<1 ns", false, 1e-9, false},
      // Signs, upper-case letters and other characters are skipped: "Ns" reads as seconds.
      {"-5 Ns", false, 5.0, false},
      // A second '.' ends the number before the unit applies.
      {"1.2.3 us", false, 1.2, false},
      // More digits than a double holds exactly still convert like the decimal text.
      {"123456789012345678901 ns", false, std::strtod("123456789012345678901e-9", nullptr), false},
      {"12.5", false, 0.0, false},
      {"", false, 0.0, false},
      {". us", false, 0.0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    LineCursor cursor{std::string_view(c.text)};
    bool seen = false;
    EXPECT_EQ(readTimestamp(cursor, c.lessThanRule, seen), c.expected);
    EXPECT_EQ(seen, c.lessThanSeen);
    EXPECT_TRUE(cursor.atEnd());
  }
}

}  // namespace
}  // namespace kelvor
