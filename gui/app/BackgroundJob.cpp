#include "app/BackgroundJob.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <atomic>
#include <thread>

namespace kelvor::gui {

namespace {

bool jobRunning = false;

bool isUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

class InputGuard final : public QObject {
 public:
  explicit InputGuard(QWidget* guarded) : guarded_(guarded ? guarded->window() : nullptr) {
    qApp->installEventFilter(this);
  }
  ~InputGuard() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!guarded_ || !isUserInput(event->type()) || !watched->isWidgetType()) {
      return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != guarded_) {
      return false;
    }
    event->ignore();
    return true;
  }

 private:
  QPointer<QWidget> guarded_;
};

}  // namespace

bool backgroundJobRunning() {
  return jobRunning;
}

bool runBackgroundJob(const std::function<void()>& job, QWidget* guarded) {
  if (jobRunning) {
    return false;
  }
  jobRunning = true;
  InputGuard guard(guarded);
  QEventLoop loop;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    try {
      job();
    } catch (...) {
      // The jobs report their own failures; nothing may escape the thread.
    }
    done = true;
    QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
  });
  if (!done) {
    loop.exec();
  }
  worker.join();
  jobRunning = false;
  return true;
}

}  // namespace kelvor::gui
