// kelvor: the desktop program. Opens the main window and the file named on the command line, or
// renders one view of a file into a picture without a window.
//
//   kelvor [--config SETTINGS.ini] [FILE]
//   kelvor [--config SETTINGS.ini] [--view table|percent|timestep|load] [--window START END]
//          [--size WIDTHxHEIGHT] --save-image FILE.png FILE
//
// --config takes the analysis settings (group "Settings") from the given ini file instead of the
// user's own settings, e.g. to try the bundled sample with the settings that come with it; the
// file is not written. --save-image writes the chosen view (the statistics table unless --view
// says otherwise) of FILE at the given size (1400x820 unless told) and ends: 0 when the picture
// is written, 1 when the file cannot be loaded or the picture not written, 2 for wrong arguments.
// With --window the statistics are those of that stretch in seconds, and the timeline shows it.
#include <QApplication>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#include "FontSettingsBackends.h"
#include "QSettingsBackend.h"
#include "app/ApplicationProfile.h"
#include "app/CKelvorDoc.h"
#include "app/CMainFrame.h"
#include "app/CommandLine.h"
#include "app/GuiPrompter.h"
#include "app/ImageExport.h"
#include "common/ConsolePrompter.h"
#include "session/LoadIdFiles.h"
#include "settings/SettingsBackend.h"
#include "views/LoadProgressDialog.h"

int main(int argc, char** argv) {
  using namespace kelvor;
  using namespace kelvor::gui;

  // A picture needs no window: without a platform of its own choice it renders off the screen.
  const bool pictureRun = std::any_of(argv + 1, argv + argc, [](const char* argument) {
    return std::strcmp(argument, "--save-image") == 0;
  });
  if (pictureRun && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  // The exports write printf-style numbers: keep the C notation whatever the user's locale.
  std::setlocale(LC_NUMERIC, "C");
  QCoreApplication::setOrganizationName(QSettingsBackend::Organisation);
  QCoreApplication::setApplicationName(QSettingsBackend::Application);
  QCoreApplication::setApplicationVersion(KELVOR_VERSION);

  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  QString error;
  const std::optional<DesktopArguments> parsed = parseDesktopArguments(arguments, error);
  if (!parsed) {
    std::fprintf(stderr, "kelvor: %s\n%s", qPrintable(error), DesktopUsage);
    return static_cast<int>(ImageStatus::Usage);
  }
  const QString& configFile = parsed->configFile;
  if (!configFile.isEmpty() && !QFileInfo(configFile).isReadable()) {
    std::fprintf(stderr, "kelvor: cannot read the settings file %s\n", qPrintable(configFile));
    return static_cast<int>(ImageStatus::Usage);
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
  if (!configFile.isEmpty()) {
    session.settingsFolder = QFileInfo(configFile).absolutePath().toStdString();
  }

  if (!parsed->imageFile.isEmpty()) {
    // Messages go to standard error; questions are answered No.
    ConsolePrompter console(PromptAnswer::No);
    session.analysis.prompter = &console;
    // Diagnostic lines go where the messages go, as in the batch tool.
    session.analysis.console = &std::cerr;
    loadIdFilesInto(session);
    session.engine = std::make_unique<StatisticsEngine>(session.analysis);
    QtFileDialogs noDialogs;
    CKelvorDoc document(session, console, noDialogs);
    document.setFontBackends(userFontBackends());
    const ImageRequest request{parsed->traceFile, parsed->imageFile, parsed->view, parsed->window,
                               parsed->size};
    return static_cast<int>(saveViewImage(document, request));
  }

  MessageBoxPrompter boxes;
  MainThreadPrompter prompter(boxes);
  session.analysis.prompter = &prompter;
  loadIdFilesInto(session);
  session.engine = std::make_unique<StatisticsEngine>(session.analysis);

  QSettings profileSettings;
  ApplicationProfile profile(profileSettings);
  QtFileDialogs dialogs;
  CKelvorDoc document(session, prompter, dialogs);
  // The time-step chart's fonts live in the user's settings, also when --config names a file.
  document.setFontBackends(userFontBackends());
  // The serial settings and the link choice always live in the user's settings.
  CMainFrame frame(document, profile, userPhoneLinkSetup());
  // The frame has stored this program's version in the profile; the progress window shows it.
  ProgressWindowSink progress(profile.version());
  session.progress = &progress;
  boxes.setParent(&frame);
  progress.setAnchor(&frame);
  frame.restorePlacement();
  frame.show();

  if (!parsed->traceFile.isEmpty()) {
    const QString file = parsed->traceFile;
    const QString baseline = parsed->baselineFile;
    QTimer::singleShot(0, &document, [&document, file, baseline] {
      if (document.openDocument(file) && !baseline.isEmpty()) {
        document.compareWithFile(baseline);
      }
    });
  }
  const int code = QApplication::exec();
  session.progress = nullptr;
  return code;
}
