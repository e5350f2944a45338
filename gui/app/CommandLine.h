#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

#include "analysis/TimeWindow.h"
#include "app/ViewModes.h"

namespace kelvor::gui {

inline constexpr const char* DesktopUsage =
    "Usage: kelvor [--config SETTINGS.ini] [--compare BASELINE] [FILE]\n"
    "       kelvor [--config SETTINGS.ini] [--view table|percent|timestep|load]\n"
    "              [--window START END] [--size WIDTHxHEIGHT] --save-image FILE.png FILE\n";

// The size of a picture when none is given.
inline constexpr QSize DefaultImageSize(1400, 820);

// What the desktop program was asked to do on its command line.
struct DesktopArguments {
  QString configFile;    // empty: the user's own settings
  QString traceFile;     // empty: open nothing
  QString baselineFile;  // compared with the trace file once it is open; empty: none
  // With an image file the program renders the view into it and ends, without a window.
  QString imageFile;
  ViewMode view = ViewMode::StatisticsTable;
  std::optional<TimeWindow> window;  // seconds; the statistics (and the timeline) of this stretch
  QSize size = DefaultImageSize;
};

// The arguments, or nothing when they do not make sense; `error` then says why.
std::optional<DesktopArguments> parseDesktopArguments(const QStringList& arguments, QString& error);

}  // namespace kelvor::gui
