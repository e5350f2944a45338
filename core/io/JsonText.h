#pragma once

#include <string>
#include <string_view>

namespace kelvor {

// Appends `text` as a JSON string, quotes included. Quotes, backslashes and control characters
// are escaped; well-formed UTF-8 sequences are copied as they are, and every byte that does not
// belong to one (names from ID files are often in a single-byte code page) becomes U+FFFD, so the
// result is valid JSON whatever the bytes.
void appendJsonString(std::string& out, std::string_view text);

// Appends the shortest decimal form that reads back as exactly `value`. JSON has no NaN or
// infinity: the caller leaves out what is not finite.
void appendJsonNumber(std::string& out, double value);

}  // namespace kelvor
