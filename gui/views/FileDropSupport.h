#pragma once

#include <QDropEvent>
#include <QFontMetrics>
#include <QObject>
#include <QStringList>

class QWidget;

namespace kelvor::gui {

class CKelvorDoc;

// Drag-and-drop of files onto the program's windows. While a file list is dragged over a
// window the drop is offered as a copy while Ctrl is held and as a move otherwise (the usual
// cursors); other data is refused, and so is a drag whose source does not allow a copy.
bool acceptFileDrag(QDropEvent* event);
// The local files of a drop, in list order.
QStringList droppedFiles(const QDropEvent* event);
// Takes a dropped file list as a copy, whatever the drag showed (after a move the source could
// delete the files), and has the document open the files once the drop has finished, one after
// the other in list order. False when the drop is refused.
bool openDroppedFiles(QDropEvent* event, CKelvorDoc& document);

// The one drop handler of the program: an event filter that takes the drag and drop events of
// every window it watches, so that a file list dropped on any of them is opened. A drag over a
// child that does not accept drops itself reaches the nearest watched window above it.
class FileDropFilter final : public QObject {
  Q_OBJECT
 public:
  explicit FileDropFilter(CKelvorDoc& document, QObject* parent = nullptr);

  // Lets `window` accept drops and routes its drag and drop events here. For a scroll area,
  // such as a list view, pass its viewport: that is the window the drops arrive at.
  void watch(QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  CKelvorDoc& document_;
};

}  // namespace kelvor::gui

namespace kelvor::gui {

// A column width given in pixels of the classic 8-point dialog font, scaled to the font in use
// so that the usual texts fit.
int scaledColumnWidth(int classicPixels, const QFontMetrics& metrics);

}  // namespace kelvor::gui
