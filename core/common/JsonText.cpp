#include "common/JsonText.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace kelvor {
namespace {

constexpr std::string_view ReplacementCharacter = "\xEF\xBF\xBD";

// The length of the valid UTF-8 sequence at the start of `text`, or 0 when it is not one.
std::size_t utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  std::uint32_t lowest = 0;
  std::uint32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    lowest = 0x80;
    code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    lowest = 0x800;
    code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    lowest = 0x10000;
    code = lead & 0x07u;
  } else {
    return 0;
  }
  if (text.size() < length) {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) {
      return 0;
    }
    code = (code << 6) | (byte(i) & 0x3Fu);
  }
  // Overlong forms, surrogates and code points past U+10FFFF are not valid.
  if (code < lowest || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
    return 0;
  }
  return length;
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const std::size_t length = utf8SequenceLength(text.substr(i));
      if (length == 0) {
        out += ReplacementCharacter;
        ++i;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          constexpr char Hex[] = "0123456789abcdef";
          out += "\\u00";
          out += Hex[c >> 4];
          out += Hex[c & 0xF];
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  out += '"';
}

void appendJsonNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void appendJsonInteger(std::string& out, unsigned long long value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

}  // namespace kelvor
