#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvor {

// Reads a decimal number at the start of a text (leading blanks skipped, optional sign), ignoring
// whatever follows it, independent of the C locale. Nothing when the text does not start with a
// number.
std::optional<double> parseLeadingDecimal(std::string_view text);

// Reads a whole text as a decimal integer within [low, high], blanks around it allowed; nothing
// for any other text (a stored setting that is not such a number).
std::optional<std::int64_t> parseBoundedInteger(std::string_view text, std::int64_t low,
                                                std::int64_t high);

// Which letters count as hexadecimal digits.
enum class HexLetters {
  UpperCase,  // A-F only
  AnyCase,    // A-F and a-f
};

// Returned by hexDigitValue for a character that is no hexadecimal digit.
inline constexpr std::uint32_t NotHexDigit = 16;

// The value of a hexadecimal digit, or NotHexDigit.
constexpr std::uint32_t hexDigitValue(char c, HexLetters letters) {
  if (c >= '0' && c <= '9') {
    return static_cast<std::uint32_t>(c - '0');
  }
  if (c >= 'A' && c <= 'F') {
    return static_cast<std::uint32_t>(c - 'A' + 10);
  }
  if (letters == HexLetters::AnyCase && c >= 'a' && c <= 'f') {
    return static_cast<std::uint32_t>(c - 'a' + 10);
  }
  return NotHexDigit;
}

// hexDigitValue(c, HexLetters::AnyCase) for every character c.
inline constexpr auto AnyCaseHexDigits = [] {
  std::array<std::uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c) {
    table[static_cast<std::size_t>(c)] =
        static_cast<std::uint8_t>(hexDigitValue(static_cast<char>(c), HexLetters::AnyCase));
  }
  return table;
}();

// Reads a hexadecimal text: an optional "0x"/"0X" prefix, then hexadecimal digits of either case
// up to the first character that is not one; an empty text (or one without digits) is 0. Digits
// beyond 32 bits shift the high ones out. Inline: the listing readers call it for every line.
inline std::uint32_t parseHexText(std::string_view text) {
  std::size_t pos = 0;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    pos = 2;
  }
  std::uint32_t value = 0;
  // Eight digits at a time while they come (the usual data word), without a branch per digit.
  while (text.size() - pos >= 8) {
    std::uint32_t eight = 0;
    std::uint32_t invalid = 0;
    for (std::size_t i = 0; i < 8; ++i) {
      const std::uint32_t digit = AnyCaseHexDigits[static_cast<unsigned char>(text[pos + i])];
      invalid |= digit;
      eight = (eight << 4) | (digit & 0xFu);
    }
    if ((invalid & NotHexDigit) != 0) {
      break;
    }
    value = eight;
    pos += 8;
  }
  for (; pos < text.size(); ++pos) {
    const std::uint32_t digit = AnyCaseHexDigits[static_cast<unsigned char>(text[pos])];
    if (digit == NotHexDigit) {
      break;
    }
    value = (value << 4) | digit;
  }
  return value;
}

// Appends a double the way a default-formatted C++ stream writes it: six significant digits,
// exponent form only when needed, '.' as decimal point whatever the locale.
void appendGeneral(std::string& out, double value);

// Appends a double in fixed notation with six decimals ("%f"), independent of the C locale.
void appendFixed6(std::string& out, double value);

}  // namespace kelvor
