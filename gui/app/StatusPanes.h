#pragma once

#include <QLabel>
#include <QStatusBar>
#include <cstddef>
#include <cstdint>

#include "settings/ComSettings.h"
#include "settings/LinkChoiceSetting.h"

namespace kelvor::gui {

// The panes of the main frame's status bar, left to right: the kind of link, the port, the
// switch-up baud rate (or "USB Mode"), the switch-up frame size, the recording state, the activity
// box, the number of listed events and, once a recording has run, what it read.
class StatusPanes {
 public:
  explicit StatusPanes(QStatusBar* bar);

  // The link settings; panes of settings that are not set are shown disabled.
  void showLink(LinkKind link, const ComSettings& settings);
  // "Running" while a recording runs, else "Stopped"; the frames pane counts the listed events
  // except while recording.
  void showState(bool recording, std::size_t listedEvents);
  // What the recording has read so far: the records, those whose type gives no event and the
  // bytes of incomplete records at chunk ends. `active` lights the activity box when the last
  // refresh brought new events.
  void showRecords(std::uint64_t records, std::uint64_t unusable, std::uint64_t cutOffBytes,
                   bool active);

  QLabel* link() const { return link_; }
  QLabel* port() const { return port_; }
  QLabel* baud() const { return baud_; }
  QLabel* frameSize() const { return frameSize_; }
  QLabel* state() const { return state_; }
  QLabel* activity() const { return activity_; }
  QLabel* frames() const { return frames_; }
  QLabel* records() const { return records_; }

 private:
  QLabel* link_;
  QLabel* port_;
  QLabel* baud_;
  QLabel* frameSize_;
  QLabel* state_;
  QLabel* activity_;
  QLabel* frames_;
  QLabel* records_;
};

}  // namespace kelvor::gui
