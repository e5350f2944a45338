#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kelvor {

// snprintf appended to a std::string; the formats used with it are numeric ("%f" and friends),
// which the program keeps in the C locale's notation.
template <typename... Args>
void appendFormat(std::string& out, const char* format, Args... args) {
  char buffer[128];
  const int length = std::snprintf(buffer, sizeof buffer, format, args...);
  if (length < 0) {
    return;
  }
  if (static_cast<std::size_t>(length) < sizeof buffer) {
    out.append(buffer, static_cast<std::size_t>(length));
    return;
  }
  std::string large(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(large.data(), large.size(), format, args...);
  large.pop_back();
  out += large;
}

enum class FieldAlignment { Left, Right };

// A duration in the largest of s, ms, us, ns, ps that makes it at least 1: fixed notation with
// `decimals` decimals right-aligned in `width` characters, then the unit and a blank (" s ",
// "ms ", ...). Values that stay below 1 ps (zero, negative) read "0" ps.
std::string FormatDuration(double seconds, int width = 8, int decimals = 3);

// The text cut to `width` characters and padded with blanks to it.
std::string PadField(std::string_view text, std::size_t width, FieldAlignment alignment);

// Rows of cells as an aligned text table: columns two blanks apart, each as wide as its widest
// cell, the first `leftColumns` left-aligned and the others right-aligned, no trailing blanks.
// Every row has the first row's number of cells.
std::string AlignedTextTable(const std::vector<std::vector<std::string>>& rows,
                             std::size_t leftColumns);

}  // namespace kelvor
