#include "app/ApplicationProfile.h"

#include <QDir>
#include <QFileInfo>

namespace kelvor::gui {

namespace {

constexpr const char* kSection = "Version 1.0";
constexpr const char* kRecentSection = "Recent File List";

}  // namespace

WindowPlacement clampToScreen(WindowPlacement placement, QSize screen, QSize icon) {
  const int right = screen.width() - icon.width();
  const int bottom = screen.height() - icon.height();
  if (placement.x2 >= right) {
    placement.x2 = right;
  }
  if (placement.y2 >= bottom) {
    placement.y2 = bottom;
  }
  return placement;
}

WindowPlacement ApplicationProfile::placement() const {
  WindowPlacement p;
  settings_.beginGroup(kSection);
  p.flags = settings_.value("flags", -1).toInt();
  p.showCmd = settings_.value("showCmd", -1).toInt();
  p.x1 = settings_.value("x1", -1).toInt();
  p.y1 = settings_.value("y1", -1).toInt();
  p.x2 = settings_.value("x2", -1).toInt();
  p.y2 = settings_.value("y2", -1).toInt();
  settings_.endGroup();
  return p;
}

void ApplicationProfile::storePlacement(const WindowPlacement& p) {
  settings_.beginGroup(kSection);
  settings_.setValue("flags", p.flags);
  settings_.setValue("showCmd", p.showCmd);
  settings_.setValue("x1", p.x1);
  settings_.setValue("y1", p.y1);
  settings_.setValue("x2", p.x2);
  settings_.setValue("y2", p.y2);
  settings_.endGroup();
}

QString ApplicationProfile::version() const {
  return settings_.value(QString(kSection) + "/Version", "0, 0, 0, 0").toString();
}

void ApplicationProfile::setVersion(const QString& version) {
  settings_.setValue(QString(kSection) + "/Version", version);
}

QStringList ApplicationProfile::recentFiles() const {
  QStringList files;
  settings_.beginGroup(kRecentSection);
  for (int i = 1; i <= RecentFileCount; ++i) {
    const QString file = settings_.value(QString("File%1").arg(i)).toString();
    if (!file.isEmpty()) {
      files << file;
    }
  }
  settings_.endGroup();
  return files;
}

void ApplicationProfile::addRecentFile(const QString& path) {
  const QString full = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
  QStringList files = recentFiles();
  files.removeAll(full);
  files.prepend(full);
  settings_.beginGroup(kRecentSection);
  for (int i = 1; i <= RecentFileCount; ++i) {
    const QString key = QString("File%1").arg(i);
    if (i <= files.size()) {
      settings_.setValue(key, files[i - 1]);
    } else {
      settings_.remove(key);
    }
  }
  settings_.endGroup();
}

QString programFileVersion() {
  QStringList parts = QString(KELVOR_VERSION).split('.');
  while (parts.size() < 4) {
    parts << "0";
  }
  return parts.mid(0, 4).join(", ");
}

}  // namespace kelvor::gui
