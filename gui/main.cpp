// kelvor: the desktop program. Opens the main window and the file named on the command line.
//
//   kelvor [--config SETTINGS.ini] [FILE]
//
// --config takes the analysis settings (group "Settings") from the given ini file instead of the
// user's own settings, e.g. to try the bundled sample with the settings that come with it; the
// file is not written.
#include <QApplication>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <memory>

#include "QSettingsBackend.h"
#include "app/ApplicationProfile.h"
#include "app/CKelvorDoc.h"
#include "app/CMainFrame.h"
#include "app/GuiPrompter.h"
#include "session/LoadIdFiles.h"
#include "settings/SettingsBackend.h"
#include "views/LoadProgressDialog.h"

int main(int argc, char** argv) {
  using namespace kelvor;
  using namespace kelvor::gui;

  QApplication application(argc, argv);
  // The exports write printf-style numbers: keep the C notation whatever the user's locale.
  std::setlocale(LC_NUMERIC, "C");
  QCoreApplication::setOrganizationName(QSettingsBackend::Organisation);
  QCoreApplication::setApplicationName(QSettingsBackend::Application);
  QCoreApplication::setApplicationVersion(KELVOR_VERSION);

  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  QString configFile;
  if (arguments.size() >= 2 && arguments.front() == "--config") {
    configFile = arguments.at(1);
    arguments.remove(0, 2);
    if (!QFileInfo(configFile).isReadable()) {
      std::fprintf(stderr, "kelvor: cannot read the settings file %s\n", qPrintable(configFile));
      return 2;
    }
  }
  if (arguments.size() > 1 || (!arguments.isEmpty() && arguments.front().startsWith("--"))) {
    std::fputs("Usage: kelvor [--config SETTINGS.ini] [FILE]\n", stderr);
    return 2;
  }

  // A settings file given with --config is only read: changes made in the configuration last
  // for this run, and the file (e.g. the bundled sample's) stays as it is.
  std::unique_ptr<SettingsBackend> backend;
  if (configFile.isEmpty()) {
    backend = std::make_unique<QSettingsBackend>();
  } else {
    backend = std::make_unique<MemorySettingsBackend>(
        QSettingsBackend(configFile, QSettings::IniFormat).readAll());
  }
  Session session(*backend);
  session.settings.Load();

  MessageBoxPrompter boxes;
  MainThreadPrompter prompter(boxes);
  session.analysis.prompter = &prompter;
  loadIdFilesInto(session);
  session.engine = std::make_unique<StatisticsEngine>(session.analysis);

  QSettings profileSettings;
  ApplicationProfile profile(profileSettings);
  QtFileDialogs dialogs;
  CKelvorDoc document(session, prompter, dialogs);
  CMainFrame frame(document, profile);
  // The frame has stored this program's version in the profile; the progress window shows it.
  ProgressWindowSink progress(profile.version());
  session.progress = &progress;
  boxes.setParent(&frame);
  progress.setAnchor(&frame);
  frame.restorePlacement();
  frame.show();

  if (!arguments.isEmpty()) {
    const QString file = arguments.front();
    QTimer::singleShot(0, &document, [&document, file] { document.openDocument(file); });
  }
  const int code = QApplication::exec();
  session.progress = nullptr;
  return code;
}
