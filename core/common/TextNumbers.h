#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvor {

// Reads a decimal number at the start of a text (leading blanks skipped, optional sign), ignoring
// whatever follows it, independent of the C locale. Nothing when the text does not start with a
// number.
std::optional<double> parseLeadingDecimal(std::string_view text);

// Appends a double the way a default-formatted C++ stream writes it: six significant digits,
// exponent form only when needed, '.' as decimal point whatever the locale.
void appendGeneral(std::string& out, double value);

}  // namespace kelvor
