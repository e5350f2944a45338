#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvor {

// Outcome of checking the range of leading frames (events) to cut off into a new .mes file.
enum class FrameCutCheck {
  Ok,
  NoTraceFile,  // nothing saved or loaded to cut from
  FromAfterTo,
  FromSameAsTo,
  NotFromTheStart,  // only a leading range can be cut
};

// Checks the range as the "Cut Frames From -> To" dialog does before it asks for a file name.
// From and To are compared as unsigned numbers.
FrameCutCheck checkFrameCut(const std::string& currentTraceFile, std::uint32_t from,
                            std::uint32_t to);
// The message shown for a failed check (empty for Ok).
std::string_view frameCutMessage(FrameCutCheck check);
// The confirmation shown after the file has been written.
std::string frameCutSavedMessage(const std::string& path);

}  // namespace kelvor
