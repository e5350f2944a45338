#include "common/TextFormat.h"

#include <algorithm>

namespace kelvor {

std::string FormatDuration(double seconds, int width, int decimals) {
  static constexpr const char* kUnits[] = {" s ", "ms ", "us ", "ns ", "ps "};
  double value = seconds;
  int step = 0;
  while (value < 1.0 && step < 4) {
    value *= 1000.0;
    ++step;
  }
  if (value < 1.0) {
    value = 0.0;
  }
  std::string text;
  appendFormat(text, "%*.*f", width, decimals, value);
  text += kUnits[step];
  return text;
}

std::string PadField(std::string_view text, std::size_t width, FieldAlignment alignment) {
  std::string field(text.substr(0, width));
  const std::string padding(width - field.size(), ' ');
  return alignment == FieldAlignment::Left ? field + padding : padding + field;
}

std::string AlignedTextTable(const std::vector<std::vector<std::string>>& rows,
                             std::size_t leftColumns) {
  if (rows.empty()) {
    return {};
  }
  std::vector<std::size_t> widths(rows.front().size(), 0);
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < widths.size(); ++c) {
      widths[c] = std::max(widths[c], row[c].size());
    }
  }
  std::string out;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < widths.size(); ++c) {
      const std::string padding(widths[c] - row[c].size(), ' ');
      if (c > 0) {
        line += "  ";
      }
      line += c < leftColumns ? row[c] + padding : padding + row[c];
    }
    while (!line.empty() && line.back() == ' ') {
      line.pop_back();
    }
    out += line;
    out += '\n';
  }
  return out;
}

}  // namespace kelvor
