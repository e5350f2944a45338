#include "common/TextNumbers.h"

#include <charconv>
#include <cmath>

namespace kelvor {

std::optional<double> parseLeadingDecimal(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
    ++pos;
  }
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  // Only plain decimal notation counts: "inf", "nan" and hexadecimal floats are not numbers here.
  if (pos >= text.size() || !((text[pos] >= '0' && text[pos] <= '9') || text[pos] == '.')) {
    return std::nullopt;
  }
  double value = 0.0;
  const char* first = text.data() + pos;
  const char* last = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    return std::nullopt;
  }
  if (ec != std::errc() || ptr == first) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

void appendGeneral(std::string& out, double value) {
  char buffer[64];
  if (std::isnan(value)) {
    out += std::signbit(value) ? "-nan" : "nan";
    return;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-inf" : "inf";
    return;
  }
  auto [ptr, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
  if (ec == std::errc()) {
    out.append(buffer, ptr);
  }
}

void appendFixed6(std::string& out, double value) {
  char buffer[400];  // wide enough for the largest double in fixed notation
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  out.append(buffer, result.ptr);
}

std::optional<std::int64_t> parseBoundedInteger(std::string_view text, std::int64_t low,
                                                std::int64_t high) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && blank(text.back())) {
    text.remove_suffix(1);
  }
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

}  // namespace kelvor
