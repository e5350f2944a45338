#include "common/TextCursor.h"

#include <array>
#include <charconv>
#include <limits>

#include "common/TextNumbers.h"

namespace kelvor {

namespace {

// Powers of ten that a double holds exactly.
constexpr double ExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr int NoUnit = 1;

// hexDigitValue(c, HexLetters::UpperCase) for every character c.
constexpr auto UpperHexDigits = [] {
  std::array<std::uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c) {
    table[static_cast<std::size_t>(c)] =
        static_cast<std::uint8_t>(hexDigitValue(static_cast<char>(c), HexLetters::UpperCase));
  }
  return table;
}();

// The decimal exponent of a unit letter; NoUnit for any other character.
inline int unitExponent(char c) {
  switch (c) {
    case 's':
      return 0;
    case 'm':
      return -3;
    case 'u':
      return -6;
    case 'n':
      return -9;
    case 'p':
      return -12;
    default:
      return NoUnit;
  }
}

// mantissa x 10^scale, correctly rounded, when both factors are exact doubles.
inline std::optional<double> scaleExactly(std::uint64_t mantissa, int scale) {
  if (mantissa > (std::uint64_t{1} << 53) || scale < -22 || scale > 22) {
    return std::nullopt;
  }
  const double m = static_cast<double>(mantissa);
  return scale < 0 ? m / ExactPowers[-scale] : m * ExactPowers[scale];
}

// Converts the value text of a time stamp (digits, '.', and the '1' of a '<') followed by the unit
// exponent, exactly as a decimal-to-double conversion of "<text>e<exponent>" would: what the text
// does not spell as a number gives 0.0, and a second '.' ends the number before its exponent.
double convertTimeValue(const char* text, std::size_t length, int exponent) {
  std::uint64_t mantissa = 0;
  int digits = 0;
  int fraction = 0;
  bool dot = false;
  bool simple = true;
  for (std::size_t i = 0; i < length && simple; ++i) {
    const char c = text[i];
    if (c == '.') {
      simple = !dot;
      dot = true;
    } else if (digits < 19) {
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
      ++digits;
      fraction += dot ? 1 : 0;
    } else {
      simple = false;
    }
  }
  if (simple) {
    if (digits == 0) {
      return 0.0;
    }
    if (const std::optional<double> exact = scaleExactly(mantissa, exponent - fraction)) {
      return *exact;
    }
  }
  char buffer[272];
  std::size_t used = 0;
  for (; used < length; ++used) {
    buffer[used] = text[used];
  }
  buffer[used++] = 'e';
  const auto [end, ec] = std::to_chars(buffer + used, buffer + sizeof buffer, exponent);
  if (ec != std::errc()) {
    return 0.0;
  }
  double value = 0.0;
  const auto result = std::from_chars(buffer, end, value, std::chars_format::general);
  if (result.ec != std::errc()) {
    return 0.0;
  }
  return value;
}

// Builds the value text of a time stamp from its characters before the unit and converts it: a
// '<' (with the rule on) stands for "1" and drops the digits after it, '.' is kept, everything
// else but digits is skipped. The text holds at most 255 characters with its exponent;
// characters of an absurdly long value beyond that are dropped.
double convertTimeText(const char* begin, const char* unit, bool lessThanRule, int exponent) {
  constexpr std::size_t MaxValueCharacters = 251;
  char text[256];
  std::size_t length = 0;
  bool marked = false;
  for (const char* p = begin; p != unit && length < MaxValueCharacters; ++p) {
    const char c = *p;
    if (isDecimalDigit(c)) {
      if (!marked) {
        text[length++] = c;
      }
    } else if (c == '.') {
      text[length++] = '.';
    } else if (c == '<' && lessThanRule) {
      marked = true;
      text[length++] = '1';
    }
  }
  return convertTimeValue(text, length, exponent);
}

}  // namespace

std::optional<std::uint32_t> readUnsigned(LineCursor& cursor) {
  cursor.skipSpace();
  std::uint64_t value = 0;
  const char* start = cursor.at;
  while (!cursor.atEnd() && isDecimalDigit(*cursor.at)) {
    value = value * 10 + static_cast<std::uint64_t>(*cursor.at - '0');
    if (value > std::numeric_limits<std::uint32_t>::max()) {
      value = std::numeric_limits<std::uint64_t>::max() / 16;  // stays too large
    }
    ++cursor.at;
  }
  if (cursor.at == start || value > std::numeric_limits<std::uint32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::optional<std::int32_t> readSigned(LineCursor& cursor) {
  cursor.skipSpace();
  bool negative = false;
  if (!cursor.atEnd() && (*cursor.at == '-' || *cursor.at == '+')) {
    negative = *cursor.at == '-';
    ++cursor.at;
  }
  if (cursor.atEnd() || !isDecimalDigit(*cursor.at)) {
    return std::nullopt;
  }
  const std::optional<std::uint32_t> magnitude = readUnsigned(cursor);
  if (!magnitude || *magnitude > 0x80000000u || (*magnitude == 0x80000000u && !negative)) {
    return std::nullopt;
  }
  const std::int64_t value =
      negative ? -static_cast<std::int64_t>(*magnitude) : static_cast<std::int64_t>(*magnitude);
  return static_cast<std::int32_t>(value);
}

namespace listing {

std::string_view readColumn(LineCursor& cursor) {
  std::string_view column = cursor.word();
  cursor.ignore(4096, '\t');
  return column.substr(0, MaxColumnLength);
}

std::uint32_t readHexAddress(LineCursor& cursor) {
  std::uint32_t value = 0;
  // Eight digits at a time while they come (the usual address), without a branch per digit: the
  // digits before them are shifted out anyway.
  while (cursor.end - cursor.at >= 8) {
    std::uint32_t eight = 0;
    std::uint32_t invalid = 0;
    for (int i = 0; i < 8; ++i) {
      const std::uint32_t digit = UpperHexDigits[static_cast<unsigned char>(cursor.at[i])];
      invalid |= digit;
      eight = (eight << 4) | (digit & 0xFu);
    }
    if ((invalid & NotHexDigit) != 0) {
      break;
    }
    value = eight;
    cursor.at += 8;
  }
  while (cursor.at != cursor.end) {
    const std::uint32_t digit = hexDigitValue(*cursor.at, HexLetters::UpperCase);
    if (digit == NotHexDigit) {
      break;
    }
    value = (value << 4) | digit;
    ++cursor.at;
  }
  return value;
}

double readTimestamp(LineCursor& cursor, bool lessThanRule, bool& lessThanSeen) {
  const char* const start = cursor.at;
  const char* const end = cursor.end;
  // The plainest form first: blanks, digits with at most one '.', blanks and the unit letter.
  // It reads as the general loop below reads it; any other form goes there.
  {
    const char* p = start;
    while (p != end && *p == ' ') {
      ++p;
    }
    std::uint64_t mantissa = 0;
    const char* const first = p;
    while (p != end && isDecimalDigit(*p)) {
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p++ - '0');
    }
    int digits = static_cast<int>(p - first);
    int fraction = 0;
    if (p != end && *p == '.') {
      const char* const decimals = ++p;
      while (p != end && isDecimalDigit(*p)) {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p++ - '0');
      }
      fraction = static_cast<int>(p - decimals);
      digits += fraction;
    }
    while (p != end && *p == ' ') {
      ++p;
    }
    if (p != end && digits != 0 && digits <= 19) {
      const int exponent = unitExponent(*p);
      if (exponent != NoUnit) {
        if (const std::optional<double> exact = scaleExactly(mantissa, exponent - fraction)) {
          cursor.at = end;
          return *exact;
        }
      }
    }
  }
  // The usual value (at most 19 digits, one '.', no '<') is accumulated as it is read; anything
  // else is converted from its value text afterwards.
  const char* p = start;
  std::uint64_t mantissa = 0;
  int digits = 0;
  int fraction = 0;
  bool dot = false;
  bool simple = true;
  while (p != end) {
    const char c = *p++;
    const auto digit = static_cast<unsigned>(c - '0');
    if (digit < 10) {
      if (digits < 19) {
        mantissa = mantissa * 10 + digit;
        ++digits;
        fraction += dot ? 1 : 0;
      } else {
        simple = false;
      }
      continue;
    }
    if (c == ' ') {
      continue;
    }
    const int exponent = unitExponent(c);
    if (exponent == NoUnit) {
      if (c == '.') {
        simple = simple && !dot;
        dot = true;
      } else if (c == '<' && lessThanRule) {
        lessThanSeen = true;
        simple = false;
      }
      continue;
    }
    const char* const unit = p - 1;
    cursor.at = end;
    if (!simple) {
      return convertTimeText(start, unit, lessThanRule, exponent);
    }
    if (digits == 0) {
      return 0.0;
    }
    if (const std::optional<double> exact = scaleExactly(mantissa, exponent - fraction)) {
      return *exact;
    }
    return convertTimeText(start, unit, lessThanRule, exponent);
  }
  cursor.at = end;
  return 0.0;
}

}  // namespace listing

bool TextCursor::begin() {
  if (eof_ || fail_) {
    fail_ = true;
    return false;
  }
  return true;
}

bool TextCursor::skipSpace() {
  cursor_.skipSpace();
  if (cursor_.atEnd()) {
    eof_ = fail_ = true;
    return false;
  }
  return true;
}

bool TextCursor::readWord(std::string_view& word) {
  if (!begin() || !skipSpace()) {
    return false;
  }
  word = cursor_.word();
  eof_ = cursor_.atEnd();
  return true;
}

bool TextCursor::readUnsigned(std::uint32_t& value) {
  if (!begin() || !skipSpace()) {
    return false;
  }
  const std::optional<std::uint32_t> number = kelvor::readUnsigned(cursor_);
  eof_ = cursor_.atEnd();
  if (!number) {
    fail_ = true;
    return false;
  }
  value = *number;
  return true;
}

void TextCursor::ignoreThrough(char delimiter) {
  if (!begin()) {
    return;
  }
  const std::size_t found = cursor_.rest().find(delimiter);
  if (found == std::string_view::npos) {
    cursor_.at = cursor_.end;
    eof_ = true;
  } else {
    cursor_.at += found + 1;
  }
}

int TextCursor::peek() {
  if (!begin()) {
    return -1;
  }
  if (cursor_.atEnd()) {
    eof_ = true;
    return -1;
  }
  return static_cast<unsigned char>(*cursor_.at);
}

std::string_view TextCursor::readChars(std::size_t count) {
  if (!begin()) {
    return {};
  }
  const char* start = cursor_.at;
  if (available() < count) {
    cursor_.at = cursor_.end;
    eof_ = fail_ = true;
  } else {
    cursor_.at += count;
  }
  return {start, static_cast<std::size_t>(cursor_.at - start)};
}

std::string_view TextCursor::readInLine(std::size_t count) {
  if (!begin()) {
    return {};
  }
  const char* start = cursor_.at;
  while (!cursor_.atEnd() && static_cast<std::size_t>(cursor_.at - start) < count &&
         *cursor_.at != '\n') {
    ++cursor_.at;
  }
  if (cursor_.atEnd()) {
    eof_ = true;
  }
  if (cursor_.at == start) {
    fail_ = true;
  }
  return {start, static_cast<std::size_t>(cursor_.at - start)};
}

}  // namespace kelvor
