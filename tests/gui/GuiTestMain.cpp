// Runs the desktop program's tests with a QApplication on the offscreen platform. Every settings
// file the tests could reach lies in a temporary folder, never in the user's own settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <clocale>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QStandardPaths::setTestModeEnabled(true);
  QTemporaryDir settingsDir;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
  QApplication application(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  QCoreApplication::setOrganizationName("Norvik-Test");
  QCoreApplication::setApplicationName("Kelvor TLA Test");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
