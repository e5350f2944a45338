#include "views/FileDropSupport.h"

#include <QEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <algorithm>

#include "app/CKelvorDoc.h"

namespace kelvor::gui {

namespace {

bool offersFiles(const QDropEvent* event) {
  return event->possibleActions().testFlag(Qt::CopyAction) && !droppedFiles(event).isEmpty();
}

}  // namespace

QStringList droppedFiles(const QDropEvent* event) {
  QStringList files;
  const QMimeData* data = event->mimeData();
  if (data == nullptr || !data->hasUrls()) {
    return files;
  }
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) {
      files << url.toLocalFile();
    }
  }
  return files;
}

bool acceptFileDrag(QDropEvent* event) {
  if (!offersFiles(event)) {
    event->ignore();
    return false;
  }
  const bool copy = event->modifiers().testFlag(Qt::ControlModifier);
  event->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
  event->accept();
  return true;
}

bool openDroppedFiles(QDropEvent* event, CKelvorDoc& document) {
  if (!offersFiles(event)) {
    event->ignore();
    return false;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  const QStringList files = droppedFiles(event);
  QTimer::singleShot(0, &document, [doc = &document, files] {
    for (const QString& file : files) {
      doc->openDocument(file);
    }
  });
  return true;
}

FileDropFilter::FileDropFilter(CKelvorDoc& document, QObject* parent)
    : QObject(parent), document_(document) {}

void FileDropFilter::watch(QWidget* window) {
  window->setAcceptDrops(true);
  window->installEventFilter(this);
}

bool FileDropFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
      acceptFileDrag(static_cast<QDropEvent*>(event));
      return true;
    case QEvent::Drop:
      openDroppedFiles(static_cast<QDropEvent*>(event), document_);
      return true;
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace kelvor::gui

namespace kelvor::gui {

int scaledColumnWidth(int classicPixels, const QFontMetrics& metrics) {
  // The classic dialog font averages about 5 pixels per character.
  const int average = std::max(5, metrics.averageCharWidth());
  return classicPixels * average / 5;
}

}  // namespace kelvor::gui
