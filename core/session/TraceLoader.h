#pragma once

#include <string>

#include "session/Session.h"

namespace kelvor {

enum class OpenResult {
  Loaded,      // the file was read
  Abandoned,   // the user stopped the import at the MOP-area question; the events before stay
  Unreadable,  // an engine is installed but nothing could be read (file missing, no MOP base)
  Failed,      // unsupported type, bad run file, or a reader error
};

// Loads a trace file into a fresh engine by the last three characters of its path ("prn",
// "txt", "mes", "run", case sensitive), sets the session's origin values, analyses the whole
// trace and reports what went wrong through the session's prompter. The caller has already
// settled what happens to unsaved data. After the call the session always has an engine.
OpenResult openTraceFile(Session& session, const std::string& path);

}  // namespace kelvor
