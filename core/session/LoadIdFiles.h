#pragma once

#include <string>

namespace kelvor {

struct Session;

// Where an ID file path of the settings is read from: a relative path that names a file in the
// session's settings folder is taken from there, so a settings file travels with its ID files;
// any other path (absolute, or not found there: older settings files name paths relative to the
// current folder) stays as it is.
std::string resolveSettingsPath(const Session& session, const std::string& path);

// The load step of the ID decoding files: reads the settings "pid" and "interrupt_sources"
// (resolved as above),
// builds a new table from the files they name (reporting unreadable ones through the session's
// prompter, echoing header words to its console) and installs it in place of the old one.
void loadIdFilesInto(Session& session);

}  // namespace kelvor
