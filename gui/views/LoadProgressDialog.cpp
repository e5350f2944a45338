#include "views/LoadProgressDialog.h"

#include <QCloseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

namespace kelvor::gui {

LoadProgressDialog::LoadProgressDialog(const QString& versionText)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      bar_(new QProgressBar(this)),
      percentText_(new QLabel("Loading Percentage Display", this)),
      timingText_(new QLabel("Timing Information Display", this)) {
  setObjectName("loadProgressDialog");
  setWindowTitle(titleFor(versionText));
  setAttribute(Qt::WA_DeleteOnClose);
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  bar_->setFixedHeight(23);
  bar_->setStyleSheet(
      "QProgressBar { background-color: black; border: 1px solid gray; }"
      "QProgressBar::chunk { background-color: rgb(0, 255, 0); }");
  // Fixed-pitch texts keep the timing columns aligned as their "%4.0f" fields intend.
  QFont fixed("Monospace");
  fixed.setStyleHint(QFont::TypeWriter);
  timingText_->setFont(fixed);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 15, 24, 15);
  layout->addWidget(bar_);
  layout->addSpacing(10);
  layout->addWidget(percentText_);
  layout->addWidget(timingText_);
  setMinimumWidth(430);
}

QString LoadProgressDialog::titleFor(const QString& versionText) {
  return QString("Loading !! Kelvor Serial/TLA Tool Version: " + versionText).left(127);
}

QString LoadProgressDialog::percentTextFor(std::uint32_t percent) {
  return QString("%1 Percent Loaded....\n").arg(percent);
}

QString LoadProgressDialog::timingTextFor(const LoadProgress& progress) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer,
                "Estimated Time To Load The File :  %4.0fs\nConsumed Time To Load The File  :  "
                "%4.0fs\nRemaining Time To Load The File :  %4.0fs",
                progress.estimated, progress.consumed, progress.remaining);
  return QString::fromLatin1(buffer);
}

void LoadProgressDialog::showProgress(const LoadProgress& progress) {
  bar_->setValue(static_cast<int>(std::min<std::uint32_t>(progress.percent, 100)));
  percentText_->setText(percentTextFor(progress.percent));
  timingText_->setText(timingTextFor(progress));
}

void LoadProgressDialog::finish() {
  finished_ = true;
  close();
}

void LoadProgressDialog::closeEvent(QCloseEvent* event) {
  if (finished_) {
    event->accept();
  } else {
    event->ignore();
  }
}

ProgressWindowSink::ProgressWindowSink(QString versionText, QObject* parent)
    : QObject(parent), versionText_(std::move(versionText)) {
  qRegisterMetaType<kelvor::LoadProgress>();
  // Queued also when posted on the main thread, so the order of posts is kept whichever thread
  // the reader runs on.
  connect(this, &ProgressWindowSink::startPosted, this, &ProgressWindowSink::showWindow,
          Qt::QueuedConnection);
  connect(this, &ProgressWindowSink::updatePosted, this, &ProgressWindowSink::updateWindow,
          Qt::QueuedConnection);
  connect(this, &ProgressWindowSink::closePosted, this, &ProgressWindowSink::closeWindow,
          Qt::QueuedConnection);
}

ProgressWindowSink::~ProgressWindowSink() {
  delete window_.data();
}

void ProgressWindowSink::progressStart() {
  emit startPosted();
}
void ProgressWindowSink::progressUpdate(const LoadProgress& progress) {
  emit updatePosted(progress);
}
void ProgressWindowSink::progressClose() {
  emit closePosted();
}

void ProgressWindowSink::showWindow() {
  if (window_) {
    window_->finish();
  }
  window_ = new LoadProgressDialog(versionText_);
  window_->adjustSize();
  if (anchor_ && anchor_->isVisible()) {
    const QRect area = anchor_->window()->frameGeometry();
    window_->move(area.center() - window_->rect().center());
  }
  window_->show();
}

void ProgressWindowSink::updateWindow(const LoadProgress& progress) {
  if (window_) {
    window_->showProgress(progress);
  }
}

void ProgressWindowSink::closeWindow() {
  if (window_) {
    window_->finish();
    window_ = nullptr;
  }
}

}  // namespace kelvor::gui
