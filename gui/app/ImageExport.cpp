#include "app/ImageExport.h"

#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPixmap>
#include <QSaveFile>
#include <cstdio>
#include <memory>

#include "app/CKelvorDoc.h"
#include "views/CKelvorView.h"
#include "views/CLoadOverTimeView.h"
#include "views/CSumProcessView.h"
#include "views/CTimeStepView.h"
#include "views/TimeStepContent.h"

namespace kelvor::gui {

namespace {

// Renders a widget at a size as it would show on the screen.
QImage grabbed(QWidget& view, QSize size) {
  view.resize(size);
  view.ensurePolished();
  return view.grab(QRect(QPoint(0, 0), size)).toImage();
}

// A view that analyses the whole trace when it starts, analysed over the asked window
// afterwards and rendered.
template <class View>
QImage grabbedWithWindow(CKelvorDoc& document, const ImageRequest& request) {
  View view(document);
  if (request.window) {
    document.analyseWindow(*request.window);
  }
  return grabbed(view, request.size);
}

// Writes the picture through a temporary file, so a failed write leaves no broken file behind.
bool writePng(const QImage& image, const QString& path) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    return false;
  }
  QImageWriter writer(&file, "png");
  if (!writer.write(image)) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace

ImageStatus saveViewImage(CKelvorDoc& document, const ImageRequest& request) {
  Session& session = document.session();
  const std::string path = QFileInfo(request.traceFile).absoluteFilePath().toStdString();
  // The engine is replaced: nothing may keep pointing into the old one.
  document.timeStepContent().clear();
  if (openTraceFile(session, path) != OpenResult::Loaded) {
    std::fprintf(stderr, "kelvor: could not load %s\n", qPrintable(request.traceFile));
    return ImageStatus::Failed;
  }
  document.setShownView(shownViewFor(request.view));

  QImage image;
  switch (request.view) {
    case ViewMode::StatisticsTable:
      image = grabbedWithWindow<CKelvorView>(document, request);
      break;
    case ViewMode::ProcessorLoad:
      image = grabbedWithWindow<CSumProcessView>(document, request);
      break;
    case ViewMode::TimeStep: {
      CTimeStepView view(document);
      view.resize(request.size);
      if (request.window) {
        view.showInterval(request.window->start, request.window->end);
        document.analyseWindow(*request.window);
      }
      image = view.renderImage(request.size);
      break;
    }
    case ViewMode::LoadOverTime: {
      // The window stands for the time-step chart's range, which this view shows.
      if (request.window) {
        session.timeStep.saved.viewStart = request.window->start;
        session.timeStep.saved.viewSpan = request.window->end - request.window->start;
        document.analyseWindow(*request.window);
      }
      CLoadOverTimeView view(document);
      view.updateResult();
      image = view.renderImage(request.size);
      break;
    }
  }
  if (image.isNull() || !writePng(image, request.imageFile)) {
    std::fprintf(stderr, "kelvor: could not write %s\n", qPrintable(request.imageFile));
    return ImageStatus::Failed;
  }
  return ImageStatus::Written;
}

}  // namespace kelvor::gui
