#include "app/RecordingControl.h"

#include "settings/AnalysisSettings.h"

namespace kelvor::gui {

RecordingControl::RecordingControl(CKelvorDoc& document, PhoneLink& phone, QObject* parent)
    : QObject(parent),
      document_(document),
      recorder_(document.session(), phone.link(), phone.comSettings(), *this) {
  refreshTimer_.setObjectName("refreshTimer");
  connect(&refreshTimer_, &QTimer::timeout, this, &RecordingControl::refresh);
  document_.hasUnsavedData = [this] { return recorder_.HasUnsavedData(); };
  document_.markSaved = [this] { recorder_.MarkSaved(); };
  document_.recordingRuns = [this] { return recorder_.recording(); };
}

RecordingControl::~RecordingControl() {
  document_.hasUnsavedData = [] { return false; };
  document_.markSaved = [] {};
  document_.recordingRuns = [] { return false; };
  if (recorder_.recording()) {
    recorder_.StopRecording();
  }
  recorder_.waitUntilClosed();
}

RecordStart RecordingControl::record() {
  Session& session = document_.session();
  if (!session.engine) {
    session.engine = std::make_unique<StatisticsEngine>(session.analysis);
  }
  // The refresh rate as the configuration sheet shows it.
  const RecordStart outcome = recorder_.StartRecording(refreshRateMs(session.settings));
  if (outcome == RecordStart::Started) {
    emit stateChanged(true);
  }
  return outcome;
}

void RecordingControl::stop() {
  if (!recorder_.recording()) {
    return;
  }
  recorder_.StopRecording();
  emit stateChanged(false);
}

void RecordingControl::refresh() {
  const std::size_t events = recorder_.takeIn();
  if (events > 0) {
    document_.updateAllViews(UpdateHint::EventsAppended);
  }
  emit refreshed(events);
}

bool RecordingControl::saveData() {
  return document_.saveAs() == SaveOutcome::Saved;
}

void RecordingControl::resetViews() {
  document_.resetViews();
}

void RecordingControl::startRefresh(int periodMs) {
  refreshTimer_.start(periodMs);
}

void RecordingControl::stopRefresh() {
  refreshTimer_.stop();
}

void RecordingControl::recordingStopped() {
  // The events of the last chunks and the closed stretches of the time-step chart.
  document_.updateAllViews(UpdateHint::EventsAppended);
}

}  // namespace kelvor::gui
