#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>

#include "app/CKelvorDoc.h"
#include "app/PhoneLink.h"
#include "link/SerialRecorder.h"

namespace kelvor::gui {

// The "Record" and "Stop" commands of the main frame and what a recording needs from the
// desktop program: the save command, the views that start on the empty stream, and the refresh
// timer that brings the recorded events into the stream and redraws the views with them.
class RecordingControl final : public QObject, public RecordingHost {
  Q_OBJECT
 public:
  RecordingControl(CKelvorDoc& document, PhoneLink& phone, QObject* parent = nullptr);
  ~RecordingControl() override;

  // "Record": the questions about unsaved data, the link opened with the serial settings, the
  // recording thread started. Returns how it ended.
  RecordStart record();
  // "Stop".
  void stop();

  bool recording() const { return recorder_.recording(); }
  SerialRecorder& recorder() { return recorder_; }
  const QTimer& refreshTimer() const { return refreshTimer_; }
  // Takes in what the thread has read and lets the views show it (what the timer does).
  void refresh();

  // RecordingHost
  bool saveData() override;
  void resetViews() override;
  void startRefresh(int periodMs) override;
  void stopRefresh() override;
  void recordingStopped() override;

 signals:
  // A recording started or stopped.
  void stateChanged(bool recording);
  // A refresh took in `events` new events.
  void refreshed(std::size_t events);

 private:
  CKelvorDoc& document_;
  SerialRecorder recorder_;
  // The refresh timer of a recording (timer 105 of the main frame).
  QTimer refreshTimer_;
};

}  // namespace kelvor::gui
