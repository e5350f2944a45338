#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "analysis/ActivationDurations.h"
#include "analysis/TimeWindow.h"
#include "app/FileDialogs.h"
#include "app/ViewModes.h"
#include "io/StatisticsReport.h"
#include "session/Session.h"
#include "session/TraceLoader.h"
#include "timestep/TimeStepFonts.h"
#include "views/ComparisonColumns.h"

namespace kelvor::gui {

class CStreamListView;
class TimeStepContent;
class TimeStepDialogs;

// What the save command ("Save As") did.
enum class SaveOutcome {
  Cancelled,      // the file dialog was cancelled
  Saved,          // the data were written to a .run file
  NothingToSave,  // there were no data
  NotSaved,       // a failure, an .ilm file or an unknown extension: the data are not in a .run
};

// Filters of the program's file dialogs.
inline constexpr const char* OpenFilter =
    "All Trace Files (*.run,*.prn,*txt,*.mes)|*.run;*.prn;*txt;*.mes|Run Files "
    "(*.run)|*.run|Prn Files (*.prn)|*.prn|TLA Files (*.txt)|*.txt|Mes Files (*.mes)|*.mes|All "
    "Files (*.*)|*.*||";
inline constexpr const char* SaveRunFilter =
    "Run Files (*.run)|*.run|ilm Files (*.ilm)|*.ilm|All Files (*.*)|*.*||";
inline constexpr const char* SaveIlmFilter =
    "ilm Files (*.ilm)|*.ilm|Run Files (*.run)|*.run|All Files (*.*)|*.*||";
inline constexpr const char* StatisticFilter =
    "Statistic Files (*.asc)|*.asc|All Files (*.*)|*.*||";
inline constexpr const char* ExportMesFilter = "Export File(*.mes)|*.mes|All Files (*.*)|*.*||";
inline constexpr const char* ExportTimelineFilter =
    "Trace Event Files (*.json)|*.json|All Files (*.*)|*.*||";

inline constexpr const char* NoMemoryForDurationsText =
    "There is not enough memory to keep the durations of every activation.";
inline constexpr const char* OpenWhileRecordingText =
    "A recording is running. Stop it before opening a file.";

// The one document: opens trace files into the session, saves and exports its data, and tells
// the views when to let go of the data (before a load replaces the engine), when to rebuild and
// when to refresh. The data live in the session; the document holds none of its own.
class CKelvorDoc final : public QObject {
  Q_OBJECT
 public:
  // Loads a file into the session (the document has asked its questions already).
  using Loader = std::function<OpenResult(Session&, const std::string&)>;

  CKelvorDoc(Session& session, Prompter& prompter, FileDialogs& dialogs);
  ~CKelvorDoc() override;

  Session& session() { return session_; }
  Prompter& prompter() { return prompter_; }
  FileDialogs& dialogs() { return dialogs_; }

  // The window that owns the document's dialogs and whose input waits while a file loads.
  void setWindow(QWidget* window) { window_ = window; }
  QWidget* window() const { return window_; }
  // The stream list of the right pane: the time-step chart shows events in it.
  void setStreamList(CStreamListView* list);
  CStreamListView* streamList() const;
  // The dialogs of the time-step chart (modal Qt dialogs unless replaced) and where its fonts
  // are kept (in memory, for this run only, unless replaced).
  TimeStepDialogs& timeStepDialogs() { return *timeStepDialogs_; }
  void setTimeStepDialogs(std::unique_ptr<TimeStepDialogs> dialogs);
  const FontBackendFactory& fontBackends() const { return fontBackends_; }
  // What the time-step chart is drawn from, kept while the trace stays: a chart shown again
  // does not walk the stream again. Emptied before a load replaces the engine.
  TimeStepContent& timeStepContent() { return *timeStepContent_; }
  void setFontBackends(FontBackendFactory backends) { fontBackends_ = std::move(backends); }

  // Replaces the loader (the default loads on a worker thread while the main loop runs).
  void setLoader(Loader loader) { loader_ = std::move(loader); }

  // The unsaved-data state of a recording; without a recorder there are never unsaved data.
  std::function<bool()> hasUnsavedData = [] { return false; };
  std::function<void()> markSaved = [] {};
  // Whether a recording runs; no file is opened meanwhile.
  std::function<bool()> recordingRuns = [] { return false; };
  // A recording starts on an empty stream: the views drop the old data and show the new.
  void resetViews();

  // "Open": asks about unsaved data, shows the open dialog until a supported file is chosen or
  // the dialog is cancelled, and opens the file.
  bool openCommand();
  // Opens a file chosen by "Open", the recent-file list, the command line or a drop; a relative
  // path is taken relative to the current directory and used as the absolute path.
  bool openDocument(const QString& path);
  // "Save As": a .run file (the data) or an .ilm file (the interrupt-lock periods).
  SaveOutcome saveAs();
  // "Save Statistic": the statistics as a tab-separated .asc file.
  void saveStatistic();
  // "Export To .mes file" of the stream list.
  void exportMes();
  // "Export Timeline...": the time-step chart as a trace-event JSON file for trace viewers.
  void exportTimeline();
  // The questions before the program closes; true when it may close.
  bool canClose();

  // Which view the main frame shows in the left pane.
  ShownView shownView() const { return shownView_; }
  void setShownView(ShownView view) { shownView_ = view; }

  // Analyses the window of the current trace and tells the views that the statistics changed.
  // Every view that analyses (its initial update, its markers) goes through here. Does nothing
  // while a load replaces the engine.
  void analyseWindow(TimeWindow window);

  void updateAllViews(UpdateHint hint);

  // "Compare With...": loads a second trace as the baseline (with the current settings, on a
  // worker thread) and keeps its report, so that the statistics table shows the differences
  // until "Close Comparison". False when no file was chosen or it could not be read.
  bool compareWith();
  bool compareWithFile(const QString& path);
  void closeComparison();
  // The comparison of the current statistics with the baseline, or null when none is open.
  const ComparisonLookup* comparison() const { return baseline_ ? &comparison_ : nullptr; }
  // Whether the engine is being replaced now; the views must not read it meanwhile.
  bool loading() const { return loading_; }

  // The net and gross duration of every activation that the statistics shown now were charged
  // with, or null when they cannot be had now (a load or another background job runs). They are
  // collected on demand, since they cost 8 bytes an activation: the first call after the
  // statistics changed walks the stream again over their window on a worker thread (changing no
  // statistics); later calls return them at once.
  const ActivationDurations* durations();
  // Frees the memory of the durations (nothing shows them any more).
  void releaseDurations();

 signals:
  // Before a load: the views drop every reference into the engine.
  void viewsDetach();
  // After a load: the views rebuild their columns and rows.
  void viewsRebuild();
  void viewsUpdate(kelvor::gui::UpdateHint hint);
  // The title buffer changed (the full path of the file being opened).
  void titleChanged(const QString& title);
  // A file was opened: it goes to the top of the recent-file list.
  void recentFileAdded(const QString& path);
  // A comparison was opened or closed: the statistics table gains or drops its columns.
  void comparisonChanged();

 private:
  // Asks whether the data are to be saved as .run first; false when the caller must stop.
  bool askSaveBefore(const char* question);
  // Shows why no file is opened while a recording runs; false when none runs.
  bool refusedWhileRecording();
  void tell(const char* text, PromptIcon icon = PromptIcon::Warning,
            const char* caption = ApplicationTitle);

  Session& session_;
  Prompter& prompter_;
  FileDialogs& dialogs_;
  QPointer<QWidget> window_;
  Loader loader_;
  QPointer<CStreamListView> streamList_;
  std::unique_ptr<TimeStepDialogs> timeStepDialogs_;
  std::unique_ptr<TimeStepContent> timeStepContent_;
  FontBackendFactory fontBackends_;
  // The comparison with the baseline, made again whenever the statistics change.
  void refreshComparison();

  std::optional<StatisticsReport> baseline_;
  ComparisonLookup comparison_;
  std::unique_ptr<ActivationDurations> durations_;
  // Whether durations_ belong to the statistics in the engine now.
  bool durationsCurrent_ = false;
  bool lastSavedIlm_ = false;
  bool loading_ = false;
  ShownView shownView_ = ShownView::StatisticsTable;
};

// Loads on a worker thread while the main thread keeps running (see runBackgroundJob).
OpenResult loadInBackground(Session& session, const std::string& path, QWidget* guarded);

}  // namespace kelvor::gui
