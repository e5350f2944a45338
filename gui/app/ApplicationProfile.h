#pragma once

#include <QSettings>
#include <QSize>
#include <QString>
#include <QStringList>

namespace kelvor::gui {

// The normal rectangle and show state of the main window as the profile keeps them; -1 marks a
// value that was never stored.
struct WindowPlacement {
  int flags = -1;
  int showCmd = -1;  // 1 normal, 2 minimised, 3 maximised
  int x1 = -1;
  int y1 = -1;
  int x2 = -1;
  int y2 = -1;

  bool complete() const {
    return flags != -1 && showCmd != -1 && x1 != -1 && y1 != -1 && x2 != -1 && y2 != -1;
  }
};

// A right (bottom) edge at or beyond the screen width (height) less the icon width (height) is
// set to exactly that value, so that a window stored on a larger screen stays reachable.
WindowPlacement clampToScreen(WindowPlacement placement, QSize screen, QSize icon);

// The application profile, section "Version 1.0", and the list of recent files.
class ApplicationProfile {
 public:
  static constexpr int RecentFileCount = 4;

  explicit ApplicationProfile(QSettings& settings) : settings_(settings) {}

  WindowPlacement placement() const;
  void storePlacement(const WindowPlacement& placement);

  // The version of the program that ran last ("0, 0, 0, 0" when none is stored).
  QString version() const;
  void setVersion(const QString& version);

  QStringList recentFiles() const;
  // Puts a path at the top of the recent files (at most four, no duplicates).
  void addRecentFile(const QString& path);

  void sync() { settings_.sync(); }

 private:
  QSettings& settings_;
};

// The program's version in the form of a file version: "0, 1, 0, 0" for 0.1.0.
QString programFileVersion();

}  // namespace kelvor::gui
