#include "views/FileDropSupport.h"

#include "app/CKelvorDoc.h"

#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace kelvor::gui {

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
  if (droppedFiles(event).isEmpty()) {
    event->ignore();
    return false;
  }
  const bool copy = event->modifiers().testFlag(Qt::ControlModifier);
  event->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
  event->accept();
  return true;
}

void openDroppedFiles(QDropEvent* event, CKelvorDoc& document) {
  if (!acceptFileDrag(event)) {
    return;
  }
  const QStringList files = droppedFiles(event);
  QTimer::singleShot(0, &document, [doc = &document, files] {
    for (const QString& file : files) {
      doc->openDocument(file);
    }
  });
}

}  // namespace kelvor::gui

namespace kelvor::gui {

int scaledColumnWidth(int classicPixels, const QFontMetrics& metrics) {
  // The classic dialog font averages about 5 pixels per character.
  const int average = std::max(5, metrics.averageCharWidth());
  return classicPixels * average / 5;
}

}  // namespace kelvor::gui
