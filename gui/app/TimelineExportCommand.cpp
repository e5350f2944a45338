// "Export Timeline...": the chart's stretches, marks and clock curve as a trace-event JSON file.
#include <QApplication>

#include "app/BackgroundJob.h"
#include "app/CKelvorDoc.h"
#include "io/ChromeTraceExport.h"
#include "views/TimelineSnapshot.h"

namespace kelvor::gui {

void CKelvorDoc::exportTimeline() {
  if (loading_ || backgroundJobRunning()) {
    return;
  }
  if (!session_.engine || session_.engine->stream().empty()) {
    tell("There is no data to be saved.");
    return;
  }
  const std::optional<QString> chosen = dialogs_.saveFile(window_, ExportTimelineFilter, "json");
  if (!chosen) {
    return;
  }
  const std::string path = chosen->toStdString();
  // The walk changes the records' row numbers and user flags, which the views read: it runs here,
  // on the main thread, as the chart's own walk does. The file is then written from the snapshot
  // alone on a worker thread, with the load's progress window.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const TimelineSnapshot snapshot(session_);
  QApplication::restoreOverrideCursor();
  bool written = false;
  const ChromeTraceOptions options{std::nullopt, session_.progress};
  runBackgroundJob(
      [&] { written = writeChromeTrace(snapshot.result(), snapshot.tracks(), path, options); },
      window_);
  if (!written) {
    tell("Unable to save the file.");
  }
}

}  // namespace kelvor::gui
