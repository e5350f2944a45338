#pragma once

#include <string>
#include <string_view>

namespace kelvor {

// Appends `text` as a JSON string, quotes included. Quotes, backslashes and control characters
// are escaped; bytes that are not valid UTF-8 (names come from users' files in any code page)
// become U+FFFD, so the output is always valid JSON.
void appendJsonString(std::string& out, std::string_view text);

// Appends a number in the shortest form that reads back to the same double; JSON has no
// infinity or NaN, so those are written as null.
void appendJsonNumber(std::string& out, double value);

// Appends a whole number.
void appendJsonInteger(std::string& out, unsigned long long value);

}  // namespace kelvor
