#include "session/TraceLoader.h"

#include <exception>
#include <memory>
#include <utility>

#include "common/TraceFileType.h"
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

OpenResult loadRunFile(Session& session, const std::string& path) {
  session.runFileLoaded = 1;
  session.dataOrigin = DataOrigin::RunFile;
  session.engine = std::make_unique<StatisticsEngine>(session.analysis);
  RunReadResult result = RunFile::read(*session.engine, path, session.progress);
  const std::uint16_t code = result.code;
  applyRunReadResult(session, std::move(result));
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
  // The engine is installed only once the import is complete: an import that throws leaves an
  // empty engine behind.
  auto engine = std::make_unique<StatisticsEngine>(session.analysis);
  const ImportResult result =
      TextTraceImporter(engine->stream(), importContextFor(session)).importFile(path);
  session.engine = std::move(engine);
  session.acquisitionState = AcquisitionState::Loaded;
  applyImportResult(session, result);

  session.analysis.nestingWarned = false;
  session.engine->analyse(TimeWindow::wholeTrace());

  if (session.lessThanSeen) {
    tell(session, kTimestampWarning, "Timestamp Error", PromptIcon::Warning);
    session.lessThanSeen = false;
  }
  switch (result.status) {
    case ImportStatus::NoBaseAddress:
    case ImportStatus::CannotOpen:
      return OpenResult::Unreadable;
    case ImportStatus::Abandoned:
      return OpenResult::Abandoned;
    case ImportStatus::Read:
      break;
  }
  return OpenResult::Loaded;
}

}  // namespace

ImportContext importContextFor(const Session& session) {
  ImportContext context;
  context.prompter = session.prompter();
  context.progress = session.progress;
  context.mopBase = mopBaseAddress(session.settings);
  return context;
}

void applyImportResult(Session& session, const ImportResult& result) {
  session.lessThanSeen = result.lessThanSeen;
  session.seenIds.markAll(result.seenIds);
  if (result.status == ImportStatus::CannotOpen) {
    session.currentTraceFile.clear();
  }
  if (result.nothingToSave()) {
    session.dataOrigin = DataOrigin::NothingToSave;
  }
}

void applyRunReadResult(Session& session, RunReadResult&& result) {
  if (result.names) {
    session.runNameTable = std::move(*result.names);
  }
  if (result.seenIds) {
    session.seenIds = std::move(*result.seenIds);
  }
}

std::uint16_t saveRunFile(Session& session, const std::string& path) {
  if (!session.engine || session.engine->stream().empty()) {
    return RunFile::WriteNoData;
  }
  session.currentTraceFile = path;
  return RunFile::write(*session.engine, session.processTable, path);
}

OpenResult openTraceFile(Session& session, const std::string& path) {
  const TraceFileType type = traceFileTypeOf(path);
  if (type == TraceFileType::None) {
    tell(session, "Loaded File Format Not Supported (Supported :- .prn/.txt/.run)",
         "Invalid File Format", PromptIcon::Error);
    return OpenResult::Failed;
  }
  session.currentExtension = std::string(lastThreeOf(path));
  session.currentTraceFile = path;

  session.engine.reset();
  try {
    const OpenResult result =
        type == TraceFileType::Run
            ? loadRunFile(session, path)
            : importTextTrace(
                  session, path,
                  type == TraceFileType::Mes ? DataOrigin::MesFile : DataOrigin::TextTrace);
    // A time-step chart opened next starts on the whole new trace, without markers.
    if (session.engine) {
      session.timeStep.resetFor(session.engine->stream());
    }
    return result;
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
