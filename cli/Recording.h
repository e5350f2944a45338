#pragma once

#include <optional>
#include <string>

#include "session/Session.h"

namespace kelvor::cli {

// Where a headless recording takes its records from.
struct LinkChoice {
  enum class Kind { Simulated, Serial, Library };
  Kind kind = Kind::Simulated;
  std::string target;  // the device of a serial link, the path of the maker's library
};

// The link of "--link simulated|serial:DEVICE|library:PATH"; nothing for another text.
std::optional<LinkChoice> parseLinkChoice(const std::string& text);

// Records from the link into the session's engine for `seconds` (or until Ctrl+C), with the
// messages of the desktop program's Record command, and stops cleanly: what was recorded stays
// in the engine with its statistics. Returns false when the recording could not start.
bool recordFromLink(Session& session, const LinkChoice& link, double seconds);

}  // namespace kelvor::cli
