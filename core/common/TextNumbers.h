#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvor {

// Reads a decimal number at the start of a text (leading blanks skipped, optional sign), ignoring
// whatever follows it, independent of the C locale. Nothing when the text does not start with a
// number.
std::optional<double> parseLeadingDecimal(std::string_view text);

// Reads a hexadecimal text: an optional "0x"/"0X" prefix, then hexadecimal digits up to the
// first character that is not one; an empty text (or one without digits) is 0. Digits beyond
// 32 bits shift the high ones out.
std::uint32_t parseHexText(std::string_view text);

// Appends a double the way a default-formatted C++ stream writes it: six significant digits,
// exponent form only when needed, '.' as decimal point whatever the locale.
void appendGeneral(std::string& out, double value);

// Appends a double in fixed notation with six decimals ("%f"), independent of the C locale.
void appendFixed6(std::string& out, double value);

}  // namespace kelvor
