#include "session/TraceLoader.h"

#include <exception>
#include <memory>

#include "io/RunFile.h"
#include "io/TextTraceImporter.h"
#include "settings/AnalysisSettings.h"

namespace kelvor {

namespace {

constexpr const char* kTimestampWarning =
    "Error:\n"
    " There has been detected at least one '<'-sign within a timestamp-value!\n\n"
    " Cause: This means that the column for timestamps is configured too small (TLA-settings).\n"
    " Symptom: Because the exact value(s) of this (these) timestamp(s) are not known,"
    " the value(s) is set to 1. The scientific value is evaluated correctly.\n"
    " Removing the error: Adjust the width of the timestamp-column in the TLA and"
    "  export the Trace again.";

void tell(Session& session, const std::string& text, const char* caption, PromptIcon icon) {
  if (Prompter* prompter = session.prompter()) {
    prompter->message(text, caption, icon);
  }
}

std::string extensionOf(const std::string& path) {
  return path.size() <= 3 ? path : path.substr(path.size() - 3);
}

OpenResult loadRunFile(Session& session, const std::string& path) {
  session.runFileLoaded = 1;
  session.dataOrigin = DataOrigin::RunFile;
  session.engine = std::make_unique<StatisticsEngine>(session.analysis);
  const std::uint16_t code = RunFile::read(session, *session.engine, path);
  if (code == RunFile::ReadBadMagic) {
    tell(session,
         "Invalid Magic Number Found in the Runfile " + path + " \n Please open a valid run file",
         ApplicationTitle, PromptIcon::Error);
    return OpenResult::Failed;
  }
  if (code != RunFile::ReadOk) {
    tell(session, "Unable to open the file.", ApplicationTitle, PromptIcon::Error);
    return OpenResult::Failed;
  }
  session.acquisitionState = AcquisitionState::RunFile;
  return OpenResult::Loaded;
}

OpenResult importTextTrace(Session& session, const std::string& path, DataOrigin origin) {
  // The origin is set before the import so that an abandoned or unopenable import, which marks
  // the session as holding nothing to save, is not overwritten afterwards.
  session.runFileLoaded = 0;
  session.dataOrigin = origin;
  const bool haveBase = mopBaseAddress(session.settings).has_value();
  session.engine = std::make_unique<TextTraceImporter>(session, path);
  session.acquisitionState = AcquisitionState::Loaded;
  const bool opened = !session.currentTraceFile.empty();

  session.analysis.nestingWarned = false;
  session.engine->analyse(TimeWindow::wholeTrace());

  if (session.lessThanSeen) {
    tell(session, kTimestampWarning, "Timestamp Error", PromptIcon::Warning);
    session.lessThanSeen = false;
  }
  if (!haveBase || !opened) {
    return OpenResult::Unreadable;
  }
  // An import stopped at the MOP-area question leaves nothing worth saving.
  return session.dataOrigin == DataOrigin::NothingToSave ? OpenResult::Abandoned
                                                         : OpenResult::Loaded;
}

}  // namespace

OpenResult openTraceFile(Session& session, const std::string& path) {
  const std::string extension = extensionOf(path);
  if (extension != "mes" && extension != "txt" && extension != "prn" && extension != "run") {
    tell(session, "Loaded File Format Not Supported (Supported :- .prn/.txt/.run)",
         "Invalid File Format", PromptIcon::Error);
    return OpenResult::Failed;
  }
  session.currentExtension = extension;
  session.currentTraceFile = path;

  session.engine.reset();
  try {
    if (extension == "run") {
      return loadRunFile(session, path);
    }
    return importTextTrace(session, path,
                           extension == "mes" ? DataOrigin::MesFile : DataOrigin::TextTrace);
  } catch (const std::exception& error) {
    tell(session, error.what(), "Could not interpret file", PromptIcon::Error);
  } catch (...) {
    tell(session, "Unknown MS Exception", "Could not interpret file", PromptIcon::Error);
  }
  if (!session.engine) {
    session.engine = std::make_unique<StatisticsEngine>(session.analysis);
  }
  return OpenResult::Failed;
}

}  // namespace kelvor
