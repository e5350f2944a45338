#pragma once

#include <QSize>
#include <QString>
#include <optional>

#include "analysis/TimeWindow.h"
#include "app/ViewModes.h"
#include "session/Session.h"

namespace kelvor::gui {

class CKelvorDoc;

// How a picture run ends, as the program's exit status.
enum class ImageStatus : int {
  Written = 0,
  Failed = 1,  // the trace could not be loaded or the picture not written
  Usage = 2,
};

struct ImageRequest {
  QString traceFile;
  QString imageFile;  // PNG
  ViewMode view = ViewMode::StatisticsTable;
  std::optional<TimeWindow> window;
  QSize size;
};

// Loads the trace into the session, builds the view without showing a window, analyses the
// window when one is given (the time-step chart then shows that stretch) and writes the view's
// picture of the given size. Messages go to the document's prompter.
ImageStatus saveViewImage(CKelvorDoc& document, const ImageRequest& request);

}  // namespace kelvor::gui
