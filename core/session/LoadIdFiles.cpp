#include "session/LoadIdFiles.h"

#include "model/IdFiles.h"
#include "session/Session.h"

namespace kelvor {

void loadIdFilesInto(Session& session) {
  session.processTable.replace(loadIdFiles(session.settings.Get("pid"),
                                           session.settings.Get("interrupt_sources"),
                                           session.prompter(), session.analysis.console));
}

}  // namespace kelvor
