#include "session/LoadIdFiles.h"

#include "model/IdFiles.h"
#include "session/Session.h"
#include "settings/AnalysisSettings.h"

namespace kelvor {

void loadIdFilesInto(Session& session) {
  session.processTable.replace(loadIdFiles(session.settings.Get(setting::ProcessIdFile),
                                           session.settings.Get(setting::InterruptFile),
                                           session.prompter(), session.analysis.console));
}

}  // namespace kelvor
