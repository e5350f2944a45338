#include "io/JsonText.h"

#include <array>
#include <charconv>
#include <cstdint>

namespace kelvor {

namespace {

constexpr std::string_view ReplacementEscape = "\\ufffd";
constexpr unsigned char FirstNonControl = 0x20;
constexpr unsigned char FirstNonAscii = 0x80;

bool isContinuation(unsigned char byte) {
  return (byte & 0xC0u) == 0x80u;
}

// The length of the well-formed UTF-8 sequence that starts `text` at `at` (a byte of 0x80 or
// above), or 0 when it is none: no overlong forms, no surrogates, nothing above U+10FFFF.
std::size_t sequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80;  // range of the second byte
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return 0;
  }
  if (at + length > text.size() || byte(1) < low || byte(1) > high) {
    return 0;
  }
  for (std::size_t i = 2; i < length; ++i) {
    if (!isContinuation(byte(i))) {
      return 0;
    }
  }
  return length;
}

void appendControl(std::string& out, unsigned char byte) {
  switch (byte) {
    case '\b':
      out += "\\b";
      return;
    case '\f':
      out += "\\f";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\t':
      out += "\\t";
      return;
    default:
      break;
  }
  constexpr std::string_view Hex = "0123456789abcdef";
  out += "\\u00";
  out += Hex[byte >> 4];
  out += Hex[byte & 0x0Fu];
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
  out += '"';
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= FirstNonAscii) {
      const std::size_t length = sequenceLength(text, i);
      if (length == 0) {
        out += ReplacementEscape;
        ++i;
      } else {
        out.append(text, i, length);
        i += length;
      }
      continue;
    }
    if (byte < FirstNonControl) {
      appendControl(out, byte);
    } else if (byte == '"' || byte == '\\') {
      out += '\\';
      out += static_cast<char>(byte);
    } else {
      out += static_cast<char>(byte);
    }
    ++i;
  }
  out += '"';
}

void appendJsonNumber(std::string& out, double value) {
  // The longest shortest form of a double ("-2.2250738585072014e-308") has 24 characters.
  std::array<char, 32> digits{};
  const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  out.append(digits.data(), result.ptr);
}

}  // namespace kelvor
