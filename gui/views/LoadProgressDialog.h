#pragma once

#include <QDialog>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QProgressBar>
#include <QString>

#include "common/ProgressSink.h"

namespace kelvor::gui {

// The small window that shows how far a file load has come: a bar and two texts.
class LoadProgressDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit LoadProgressDialog(const QString& versionText);

  void showProgress(const LoadProgress& progress);
  // Closes the window for good (the user cannot close it while a load runs).
  void finish();

  QProgressBar* bar() const { return bar_; }
  QLabel* percentText() const { return percentText_; }
  QLabel* timingText() const { return timingText_; }

  static QString titleFor(const QString& versionText);
  static QString percentTextFor(std::uint32_t percent);
  static QString timingTextFor(const LoadProgress& progress);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override {}

 private:
  QProgressBar* bar_;
  QLabel* percentText_;
  QLabel* timingText_;
  bool finished_ = false;
};

// Shows the progress window of the current load on the main thread: a reader on a worker thread
// reports through this sink, whose posts are queued to the main thread in order. At most one
// window exists; a new start replaces an old one.
class ProgressWindowSink final : public QObject, public ProgressSink {
  Q_OBJECT
 public:
  explicit ProgressWindowSink(QString versionText, QObject* parent = nullptr);
  ~ProgressWindowSink() override;

  void progressStart() override;
  void progressUpdate(const LoadProgress& progress) override;
  void progressClose() override;

  // The window shown now, or null.
  LoadProgressDialog* window() const { return window_; }
  // The widget the window is centred on when it appears.
  void setAnchor(QWidget* anchor) { anchor_ = anchor; }

 signals:
  void startPosted();
  void updatePosted(kelvor::LoadProgress progress);
  void closePosted();

 private:
  void showWindow();
  void updateWindow(const LoadProgress& progress);
  void closeWindow();

  QString versionText_;
  QPointer<LoadProgressDialog> window_;
  QPointer<QWidget> anchor_;
};

}  // namespace kelvor::gui

Q_DECLARE_METATYPE(kelvor::LoadProgress)
