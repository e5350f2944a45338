#pragma once

namespace kelvor {

struct Session;

// The load step of the ID decoding files: reads the settings "pid" and "interrupt_sources",
// builds a new table from the files they name (reporting unreadable ones through the session's
// prompter, echoing header words to its console) and installs it in place of the old one.
void loadIdFilesInto(Session& session);

}  // namespace kelvor
