#include "app/StatusPanes.h"

namespace kelvor::gui {

namespace {

QLabel* pane(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setContentsMargins(4, 0, 4, 0);
  return label;
}

// The activity box: light grey, inset 2 pixels; green while records arrive.
constexpr const char* IdleActivityStyle = "margin: 2px; background-color: rgb(224, 224, 224);";
constexpr const char* ActiveActivityStyle = "margin: 2px; background-color: rgb(0, 192, 0);";

}  // namespace

StatusPanes::StatusPanes(QStatusBar* bar)
    : link_(pane(QString(), bar)),
      port_(pane(QString(), bar)),
      baud_(pane(QString(), bar)),
      frameSize_(pane(QString(), bar)),
      state_(pane("Stopped", bar)),
      activity_(new QLabel(bar)),
      frames_(pane("Frames: 0", bar)),
      records_(pane(QString(), bar)) {
  activity_->setObjectName("activityPane");
  activity_->setFixedSize(24, 16);
  activity_->setStyleSheet(IdleActivityStyle);
  frames_->setMinimumWidth(110);
  records_->setObjectName("recordsPane");
  records_->setToolTip(
      "Records read from the phone; unusable: records of a type that gives no event; cut off: "
      "bytes of incomplete records at the end of a chunk");
  records_->hide();
  link_->setObjectName("linkPane");
  link_->setToolTip(
      "The link to the phone: the phone's link library, Kelvor's serial link or "
      "the built-in simulated phone (setting \"link\" of the group \"Link\")");
  for (QLabel* label : {link_, port_, baud_, frameSize_, state_, activity_, frames_, records_}) {
    bar->addPermanentWidget(label);
  }
}

void StatusPanes::showLink(LinkKind link, const ComSettings& settings) {
  link_->setText(QString("Link: %1").arg(linkKindText(link)));
  port_->setText(QString("COM%1").arg(settings.portIndex() + 1));
  port_->setEnabled(settings.portIndex() != NoPort);
  baud_->setText(settings.usbMode()
                     ? QString("USB Mode")
                     : QString("SwitchUp Baud: %1").arg(settings.switchUpBaudRate()));
  baud_->setEnabled(settings.usbMode() || settings.switchUpBaudRate() != 0);
  frameSize_->setText(QString("SwitchUp Frame Size: %1").arg(settings.switchUpFrameSize()));
  frameSize_->setEnabled(settings.switchUpFrameSize() != 0);
}

void StatusPanes::showState(bool recording, std::size_t listedEvents) {
  state_->setText(recording ? "Running" : "Stopped");
  frames_->setText(recording ? QString() : QString("Frames: %1").arg(listedEvents));
  if (!recording) {
    activity_->setStyleSheet(IdleActivityStyle);
  }
}

void StatusPanes::showRecords(std::uint64_t records, std::uint64_t unusable,
                              std::uint64_t cutOffBytes, bool active) {
  records_->setText(QString("Records: %1, unusable: %2, cut off: %3 bytes")
                        .arg(records)
                        .arg(unusable)
                        .arg(cutOffBytes));
  records_->show();
  activity_->setStyleSheet(active ? ActiveActivityStyle : IdleActivityStyle);
}

}  // namespace kelvor::gui
