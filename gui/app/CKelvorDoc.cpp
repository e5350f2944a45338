#include "app/CKelvorDoc.h"

#include <QApplication>
#include <QFileInfo>
#include <array>

#include "app/BackgroundJob.h"
#include "common/TraceFileType.h"
#include "io/MesFile.h"
#include "io/RunFile.h"
#include "io/StatisticsExport.h"
#include "session/BaselineReport.h"
#include "views/CStreamListView.h"
#include "views/TimeStepContent.h"
#include "views/TimeStepDialogs.h"

namespace kelvor::gui {

namespace {

// Whether a reader takes the file: the same rule, by the last three characters and case
// sensitive, as the loader applies.
bool isTraceFile(const std::string& path) {
  return traceFileTypeOf(path) != TraceFileType::None;
}

// A settings group that forwards to one held for the whole run.
class SharedGroup final : public SettingsBackend {
 public:
  explicit SharedGroup(std::shared_ptr<MemorySettingsBackend> group) : group_(std::move(group)) {}
  SettingsValues readAll() override { return group_->readAll(); }
  bool writeAll(const SettingsValues& values) override { return group_->writeAll(values); }

 private:
  std::shared_ptr<MemorySettingsBackend> group_;
};

// Fonts kept in memory: every chart of this run sees the fonts chosen in another, nothing is
// stored beyond it.
FontBackendFactory memoryFontBackends() {
  auto groups = std::make_shared<std::array<std::shared_ptr<MemorySettingsBackend>, 4>>();
  for (auto& group : *groups) {
    group = std::make_shared<MemorySettingsBackend>();
  }
  return [groups](TimeStepFont font) -> std::unique_ptr<SettingsBackend> {
    return std::make_unique<SharedGroup>((*groups)[static_cast<std::size_t>(font) - 1]);
  };
}

}  // namespace

OpenResult loadInBackground(Session& session, const std::string& path, QWidget* guarded) {
  OpenResult result = OpenResult::Failed;
  if (!runBackgroundJob([&] { result = openTraceFile(session, path); }, guarded)) {
    return OpenResult::Failed;
  }
  return result;
}

CKelvorDoc::CKelvorDoc(Session& session, Prompter& prompter, FileDialogs& dialogs)
    : session_(session), prompter_(prompter), dialogs_(dialogs) {
  loader_ = [this](Session& s, const std::string& path) {
    return loadInBackground(s, path, window_);
  };
  timeStepDialogs_ = std::make_unique<QtTimeStepDialogs>();
  timeStepContent_ = std::make_unique<TimeStepContent>();
  fontBackends_ = memoryFontBackends();
}

CKelvorDoc::~CKelvorDoc() = default;

void CKelvorDoc::setStreamList(CStreamListView* list) {
  streamList_ = list;
}

CStreamListView* CKelvorDoc::streamList() const {
  return streamList_.data();
}

void CKelvorDoc::setTimeStepDialogs(std::unique_ptr<TimeStepDialogs> dialogs) {
  timeStepDialogs_ = std::move(dialogs);
}

void CKelvorDoc::tell(const char* text, PromptIcon icon, const char* caption) {
  prompter_.message(text, caption, icon);
}

bool CKelvorDoc::refusedWhileRecording() {
  if (!recordingRuns()) {
    return false;
  }
  // The recording goes on into the data a load would replace.
  tell(OpenWhileRecordingText);
  return true;
}

bool CKelvorDoc::openCommand() {
  if (refusedWhileRecording()) {
    return false;
  }
  if (hasUnsavedData()) {
    switch (prompter_.askYesNoCancel(SaveDataQuestion, ApplicationTitle, PromptIcon::Question)) {
      case PromptAnswer::Yes:
        saveAs();
        break;
      case PromptAnswer::Cancel:
        return false;
      case PromptAnswer::No:
        break;
    }
  }
  for (;;) {
    const std::optional<QString> path = dialogs_.openFile(window_, OpenFilter);
    if (!path) {
      return false;
    }
    if (!isTraceFile(path->toStdString())) {
      tell("Unsupported file.");
      continue;
    }
    return openDocument(*path);
  }
}

bool CKelvorDoc::askSaveBefore(const char* question) {
  switch (prompter_.askYesNoCancel(question, ApplicationTitle, PromptIcon::Question)) {
    case PromptAnswer::Yes: {
      const SaveOutcome outcome = saveAs();
      // Going on after a save that did not keep the data would lose them.
      if (outcome != SaveOutcome::Saved && outcome != SaveOutcome::NothingToSave) {
        return false;
      }
      session_.dataOrigin = DataOrigin::NothingToSave;
      return true;
    }
    case PromptAnswer::Cancel:
      return false;
    case PromptAnswer::No:
      return true;
  }
  return false;
}

bool CKelvorDoc::openDocument(const QString& requested) {
  if (loading_ || backgroundJobRunning()) {
    return false;
  }
  if (refusedWhileRecording()) {
    return false;
  }
  // A relative name (from the command line) is resolved once, so that the title, the current
  // trace file, the recent-file list and the printout carry the full path.
  const QString qpath = requested.isEmpty() ? requested : QFileInfo(requested).absoluteFilePath();
  const DataOrigin origin = session_.dataOrigin;
  if (origin == DataOrigin::Live || needsRunSave(origin)) {
    if (!askSaveBefore(SaveRunQuestion)) {
      return false;
    }
  }
  const std::string path = qpath.toStdString();
  if (!isTraceFile(path)) {
    // The loader shows the unsupported-format message and changes nothing.
    openTraceFile(session_, path);
    return false;
  }
  emit titleChanged(qpath);
  emit recentFileAdded(qpath);

  loading_ = true;
  durationsCurrent_ = false;
  timeStepContent_->clear();
  emit viewsDetach();
  const OpenResult result = loader_(session_, path);
  if (!session_.engine) {
    session_.engine = std::make_unique<StatisticsEngine>(session_.analysis);
  }
  loading_ = false;

  // Freshly loaded data count as saved.
  markSaved();
  // Also after a failure: the old engine is gone and the views must show the one installed now.
  emit viewsRebuild();
  updateAllViews(UpdateHint::StatisticsChanged);
  return result != OpenResult::Failed;
}

void CKelvorDoc::resetViews() {
  durationsCurrent_ = false;
  timeStepContent_->clear();
  emit viewsDetach();
  emit viewsRebuild();
}

void CKelvorDoc::analyseWindow(TimeWindow window) {
  if (loading_) {
    return;
  }
  durationsCurrent_ = false;
  if (session_.engine) {
    session_.engine->analyse(window);
  }
  updateAllViews(UpdateHint::StatisticsChanged);
}

void CKelvorDoc::updateAllViews(UpdateHint hint) {
  if (hint == UpdateHint::EventsAppended) {
    // A recording charged further activations.
    durationsCurrent_ = false;
  }
  if (hint == UpdateHint::StatisticsChanged) {
    refreshComparison();
  }
  emit viewsUpdate(hint);
}

const ActivationDurations* CKelvorDoc::durations() {
  if (durationsCurrent_) {
    return durations_.get();
  }
  if (loading_ || backgroundJobRunning() || !session_.engine) {
    return nullptr;
  }
  if (!durations_) {
    durations_ = std::make_unique<ActivationDurations>();
  }
  // A second walk over the window of the statistics shown, which reads the engine and changes
  // nothing: the views may go on reading it meanwhile.
  const StatisticsEngine& engine = *session_.engine;
  ActivationDurations& target = *durations_;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool finished = false;
  const bool ran = runBackgroundJob(
      [&] {
        engine.collectDurations(target);
        finished = true;
      },
      window_);
  QApplication::restoreOverrideCursor();
  if (!ran) {
    return nullptr;
  }
  if (!finished) {
    // No memory for the durations: none are kept.
    durations_.reset();
    tell(NoMemoryForDurationsText);
    return nullptr;
  }
  durationsCurrent_ = true;
  return durations_.get();
}

void CKelvorDoc::releaseDurations() {
  durations_.reset();
  durationsCurrent_ = false;
}

SaveOutcome CKelvorDoc::saveAs() {
  const std::optional<QString> chosen =
      dialogs_.saveFile(window_, lastSavedIlm_ ? SaveIlmFilter : SaveRunFilter, "run");
  if (!chosen) {
    return SaveOutcome::Cancelled;
  }
  const std::string path = chosen->toStdString();
  const std::string_view extension = lastThreeOf(path);
  if (extension == "run") {
    lastSavedIlm_ = false;
    const std::uint16_t code = saveRunFile(session_, path);
    if (code == RunFile::WriteNoData) {
      tell("There is no data to be saved.");
      return SaveOutcome::NothingToSave;
    }
    if (code != RunFile::WriteOk) {
      tell("Unable to save the file.");
      return SaveOutcome::NotSaved;
    }
    markSaved();
    session_.dataOrigin = DataOrigin::NothingToSave;
    return SaveOutcome::Saved;
  }
  if (extension == "ilm") {
    lastSavedIlm_ = true;
    if (!session_.engine || !session_.engine->locks().writeLockFile(path)) {
      tell("Unable to save the file.");
    }
    return SaveOutcome::NotSaved;
  }
  return SaveOutcome::NotSaved;
}

void CKelvorDoc::saveStatistic() {
  const std::optional<QString> chosen = dialogs_.saveFile(window_, StatisticFilter, "asc");
  if (!chosen) {
    return;
  }
  const std::string path = chosen->toStdString();
  if (lastThreeOf(path) != "asc") {
    tell("Go to Save Statistics As in the File Manu to Save it in .run format !!",
         PromptIcon::Warning);
    return;
  }
  if (!session_.engine || !writeStatisticsFile(*session_.engine, session_.processTable, path)) {
    tell("Unable to save the file.");
  }
}

void CKelvorDoc::exportMes() {
  const std::optional<QString> chosen = dialogs_.saveFile(window_, ExportMesFilter, "mes");
  if (!chosen) {
    return;
  }
  if (!session_.engine || !writeMesFile(session_.engine->stream(), chosen->toStdString())) {
    tell("Unable to save the file.");
    return;
  }
  tell("Data Saved to .mes file", PromptIcon::Information, ".mes file information");
}

bool CKelvorDoc::canClose() {
  if (loading_ || backgroundJobRunning()) {
    return false;
  }
  const DataOrigin origin = session_.dataOrigin;
  if (needsRunSave(origin) && !askSaveBefore(SaveRunQuestion)) {
    return false;
  }
  if (hasUnsavedData() && !askSaveBefore(SaveDataQuestion)) {
    return false;
  }
  session_.runNameTable.clear();
  return true;
}

bool CKelvorDoc::compareWith() {
  if (refusedWhileRecording()) {
    return false;
  }
  const std::optional<QString> chosen = dialogs_.openFile(window_, OpenFilter);
  return chosen && compareWithFile(*chosen);
}

bool CKelvorDoc::compareWithFile(const QString& path) {
  if (refusedWhileRecording() || loading_) {
    return false;
  }
  // An unsupported or unreadable file is reported by the loader, as for "Open".
  const std::string file = QFileInfo(path).absoluteFilePath().toStdString();
  std::optional<StatisticsReport> report;
  const bool ran = runBackgroundJob(
      [&] { report = loadBaselineReport(session_, file, std::nullopt, KELVOR_VERSION); }, window_);
  if (!ran || !report) {
    return false;
  }
  baseline_ = std::move(report);
  refreshComparison();
  emit comparisonChanged();
  emit viewsUpdate(UpdateHint::StatisticsChanged);
  return true;
}

void CKelvorDoc::closeComparison() {
  if (!baseline_) {
    return;
  }
  baseline_.reset();
  comparison_ = ComparisonLookup();
  emit comparisonChanged();
  emit viewsUpdate(UpdateHint::StatisticsChanged);
}

void CKelvorDoc::refreshComparison() {
  // While recording the table shows the live columns only; the comparison waits for the
  // recording's end.
  if (!baseline_ || loading_ || session_.acquisitionState == AcquisitionState::Recording) {
    return;
  }
  comparison_ =
      ComparisonLookup(compareReports(*baseline_, currentReport(session_, KELVOR_VERSION)));
}

}  // namespace kelvor::gui
