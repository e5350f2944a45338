#include "session/LoadIdFiles.h"

#include <filesystem>
#include <system_error>

#include "model/IdFiles.h"
#include "session/Session.h"
#include "settings/AnalysisSettings.h"

namespace kelvor {

std::string resolveSettingsPath(const Session& session, const std::string& path) {
  namespace fs = std::filesystem;
  if (path.empty() || session.settingsFolder.empty() || fs::path(path).is_absolute()) {
    return path;
  }
  const fs::path beside = fs::path(session.settingsFolder) / path;
  std::error_code error;
  return fs::is_regular_file(beside, error) ? beside.string() : path;
}

void loadIdFilesInto(Session& session) {
  const std::string pid =
      resolveSettingsPath(session, session.settings.Get(setting::ProcessIdFile));
  const std::string interrupts =
      resolveSettingsPath(session, session.settings.Get(setting::InterruptFile));
  session.processTable.replace(
      loadIdFiles(pid, interrupts, session.prompter(), session.analysis.console));
}

}  // namespace kelvor
