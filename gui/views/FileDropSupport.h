#pragma once

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QStringList>

namespace kelvor::gui {

class CKelvorDoc;

// Drag-and-drop of files onto the views: a drop is offered for file lists only, as a copy while
// Ctrl is held and as a move otherwise.
bool acceptFileDrag(QDropEvent* event);
// The local files of a drop, in list order.
QStringList droppedFiles(const QDropEvent* event);
// Handles a drop on any of the program's windows: the files are opened by the document once the
// drop has finished, one after the other in list order.
void openDroppedFiles(QDropEvent* event, CKelvorDoc& document);

}  // namespace kelvor::gui

namespace kelvor::gui {

// A column width given in pixels of the classic 8-point dialog font, scaled to the font in use
// so that the usual texts fit.
int scaledColumnWidth(int classicPixels, const QFontMetrics& metrics);

}  // namespace kelvor::gui
