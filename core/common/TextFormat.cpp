#include "common/TextFormat.h"

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

}  // namespace kelvor
