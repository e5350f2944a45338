#pragma once

#include <cstdint>
#include <string>

#include "io/RunFile.h"
#include "io/TextTraceImporter.h"
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

// What a text import takes from the session: its prompter, progress sink and MOP-area base.
ImportContext importContextFor(const Session& session);

// Applies what a text import found: the '<' flag, the ids seen (added to those seen before),
// and the origin "nothing to save" when the import gave nothing worth saving; an unopenable file
// also clears the current trace file.
void applyImportResult(Session& session, const ImportResult& result);

// Applies what a run-file read found: its name table and its seen ids replace the session's, as
// far as the read got to them.
void applyRunReadResult(Session& session, RunReadResult&& result);

// Saves the session's engine as a run file with the names of its process table (see
// RunFile::write) and makes the path the current trace file. Returns WriteNoData, and changes
// nothing, when there is no engine or its stream is empty.
std::uint16_t saveRunFile(Session& session, const std::string& path);

}  // namespace kelvor
