#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <set>

#include "GuiTestSupport.h"
#include "QSettingsBackend.h"
#include "app/CMainFrame.h"
#include "app/CSetupSheet.h"
#include "link/SimulatedPhone.h"
#include "views/CKelvorView.h"
#include "views/CStreamListView.h"
#include "views/CSumProcessView.h"
#include "views/CTimeStepView.h"
#include "views/FileDropSupport.h"
#include "views/StreamListModel.h"

namespace kelvor::test {
namespace {

using gui::ApplicationProfile;
using gui::CMainFrame;
using gui::WindowPlacement;

TEST(ApplicationProfileTest, PlacementVersionAndRecentFilesSurviveARestart) {
  QTemporaryDir dir;
  const QString file = dir.path() + "/profile.conf";
  {
    QSettings settings(file, QSettings::IniFormat);
    ApplicationProfile profile(settings);
    EXPECT_FALSE(profile.placement().complete());
    EXPECT_EQ(profile.version(), "0, 0, 0, 0");
    profile.storePlacement(WindowPlacement{0, 1, 10, 20, 810, 620});
    profile.setVersion("0, 1, 0, 0");
    for (const char* name : {"/a.prn", "/b.run", "/c.mes", "/d.txt", "/b.run", "/e.prn"}) {
      profile.addRecentFile(name);
    }
  }
  QSettings settings(file, QSettings::IniFormat);
  ApplicationProfile profile(settings);
  const WindowPlacement p = profile.placement();
  EXPECT_TRUE(p.complete());
  EXPECT_EQ(p.x2, 810);
  EXPECT_EQ(p.y2, 620);
  EXPECT_EQ(profile.version(), "0, 1, 0, 0");
  EXPECT_EQ(profile.recentFiles(), (QStringList{"/e.prn", "/b.run", "/d.txt", "/c.mes"}));
}

TEST(ApplicationProfileTest, EdgesBeyondTheScreenAreFittedToIt) {
  const QSize screen(1024, 768);
  const QSize icon(32, 32);
  WindowPlacement p = gui::clampToScreen(WindowPlacement{0, 1, 0, 0, 1500, 700}, screen, icon);
  EXPECT_EQ(p.x2, 992);
  EXPECT_EQ(p.y2, 700);
  p = gui::clampToScreen(WindowPlacement{0, 1, 0, 0, 992, 736}, screen, icon);
  EXPECT_EQ(p.x2, 992);
  EXPECT_EQ(p.y2, 736);
  p = gui::clampToScreen(WindowPlacement{0, 1, 0, 0, 991, 735}, screen, icon);
  EXPECT_EQ(p.x2, 991);
  EXPECT_EQ(p.y2, 735);
}

class MainFrameTest : public ::testing::Test, public SessionFixture {
 protected:
  QTemporaryDir dir;
  QSettings profileSettings{dir.path() + "/profile.conf", QSettings::IniFormat};
  ApplicationProfile profile{profileSettings};
  ScriptedFileDialogs dialogs;
  gui::CKelvorDoc document{session, prompter, dialogs};
};

TEST(ViewModeTest, FrameModesMapToTheDocumentsShownViews) {
  using gui::ShownView;
  using gui::ViewMode;
  const struct {
    ViewMode mode;
    int modeNumber;
    ShownView shown;
    int shownNumber;
  } cases[] = {{ViewMode::StatisticsTable, 2, ShownView::StatisticsTable, 1},
               {ViewMode::ProcessorLoad, 0, ShownView::ProcessorLoad, 3},
               {ViewMode::TimeStep, 3, ShownView::TimeStep, 4},
               {ViewMode::LoadOverTime, 4, ShownView::LoadOverTime, 5}};
  for (const auto& c : cases) {
    EXPECT_EQ(static_cast<int>(c.mode), c.modeNumber);
    EXPECT_EQ(static_cast<int>(c.shown), c.shownNumber);
    EXPECT_EQ(gui::shownViewFor(c.mode), c.shown) << c.modeNumber;
  }
}

TEST_F(MainFrameTest, StartsIdleWithTheShortcutsOfItsCommands) {
  document.setShownView(gui::ShownView::TimeStep);
  CMainFrame frame(document, profile);
  EXPECT_EQ(frame.windowTitle(), CMainFrame::InitialTitle);
  EXPECT_TRUE(frame.action("Record")->isEnabled());
  EXPECT_FALSE(frame.action("Stop")->isEnabled());
  // The shown view's own switch is disabled.
  EXPECT_FALSE(frame.action("Min-Max View")->isEnabled());
  EXPECT_EQ(document.shownView(), gui::ShownView::StatisticsTable);
  EXPECT_EQ(frame.action("Open...")->shortcut(), QKeySequence("Ctrl+O"));
  EXPECT_EQ(frame.action("Save Statistic")->shortcut(), QKeySequence("Ctrl+F"));
  EXPECT_EQ(frame.action("Record")->shortcut(), QKeySequence(Qt::Key_F9));
  EXPECT_EQ(frame.action("Stop")->shortcut(), QKeySequence(Qt::Key_F8));
  EXPECT_EQ(frame.framesPane()->text(), "Frames: 0");
  EXPECT_EQ(frame.statePane()->text(), "Stopped");
}

TEST_F(MainFrameTest, RecordingFillsTheViewsAtEachRefreshAndStopKeepsEverything) {
  CMainFrame frame(document, profile);
  SimulatedPhone* phone = frame.phoneLink().simulatedPhone();
  ASSERT_NE(phone, nullptr);
  phone->setSwitchedOn(true);
  phone->setDeliverAsFastAsAsked(true);
  const std::vector<const char*> idleOnly = {"Record", "Properties...", "Mobile On", "Mobile Off",
                                             "Open..."};

  frame.action("Record")->trigger();
  ASSERT_TRUE(frame.recording().recording()) << ::testing::PrintToString(texts());
  EXPECT_EQ(frame.statePane()->text(), "Running");
  EXPECT_EQ(frame.framesPane()->text(), "");
  EXPECT_TRUE(frame.action("Stop")->isEnabled());
  for (const char* name : idleOnly) {
    EXPECT_FALSE(frame.action(name)->isEnabled()) << name;
  }
  EXPECT_TRUE(frame.recording().refreshTimer().isActive());
  EXPECT_EQ(frame.recording().refreshTimer().interval(), 1000);

  // Nothing reaches the views between refreshes; each refresh lists what arrived.
  SerialRecorder& recorder = frame.recording().recorder();
  const auto waitForRecords = [&](std::uint64_t count) {
    for (int i = 0; i < 2000 && recorder.recordsRead() < count; ++i) {
      QThread::msleep(2);
    }
  };
  waitForRecords(500);
  EXPECT_EQ(frame.streamView()->model()->rowCount(), 0);
  frame.recording().refresh();
  const int firstRows = frame.streamView()->model()->rowCount();
  EXPECT_GT(firstRows, 0);
  EXPECT_GT(frame.statisticsView()->model()->rowCount(), 0);
  waitForRecords(recorder.recordsRead() + 500);
  frame.recording().refresh();
  EXPECT_GT(frame.streamView()->model()->rowCount(), firstRows);

  // No file replaces the data while the recording runs.
  EXPECT_FALSE(document.openDocument(dir.path() + "/any.run"));
  EXPECT_EQ(texts().back(), gui::OpenWhileRecordingText);

  frame.action("Stop")->trigger();
  EXPECT_FALSE(frame.recording().recording());
  EXPECT_FALSE(frame.recording().refreshTimer().isActive());
  EXPECT_EQ(frame.statePane()->text(), "Stopped");
  for (const char* name : idleOnly) {
    EXPECT_TRUE(frame.action(name)->isEnabled()) << name;
  }
  recorder.waitUntilClosed();
  // Every record read is in the stream and listed; the statistics are those of the whole.
  const EventStream& stream = session.engine->stream();
  EXPECT_EQ(stream.size(), recorder.recordsRead() - recorder.unusableRecords());
  EXPECT_EQ(static_cast<std::size_t>(frame.streamView()->model()->rowCount()),
            frame.streamView()->listModel().listedCount());
  gui::StreamListModel fresh;
  fresh.rebuild(*session.engine, streamRowSource(session));
  EXPECT_EQ(fresh.rowCount(), frame.streamView()->model()->rowCount());
  EXPECT_EQ(frame.framesPane()->text(),
            QString("Frames: %1").arg(frame.streamView()->model()->rowCount()));
  EXPECT_TRUE(frame.statusPanes().records()->text().startsWith(
      QString("Records: %1,").arg(recorder.recordsRead())));
  EXPECT_TRUE(recorder.HasUnsavedData());
}

TEST_F(MainFrameTest, ViewSwitchesReplaceTheLeftPaneAndDisableTheirOwnCommand) {
  CMainFrame frame(document, profile);
  frame.resize(1200, 700);
  frame.show();
  auto* splitter = qobject_cast<QSplitter*>(frame.centralWidget());
  ASSERT_NE(splitter, nullptr);
  QAction* minMax = frame.action("Min-Max View");
  QAction* percent = frame.action("Percent View");
  EXPECT_FALSE(minMax->isEnabled());
  EXPECT_TRUE(percent->isEnabled());

  percent->trigger();
  gui::CSumProcessView* chart = frame.processorLoadView();
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(frame.statisticsView(), nullptr);
  EXPECT_EQ(splitter->count(), 2);
  EXPECT_EQ(splitter->widget(0), chart);
  EXPECT_EQ(splitter->widget(1), frame.streamView());
  EXPECT_EQ(frame.viewMode(), gui::ViewMode::ProcessorLoad);
  EXPECT_EQ(document.shownView(), gui::ShownView::ProcessorLoad);
  EXPECT_EQ(splitter->sizes().front(), 1200 * 3 / 4);
  EXPECT_FALSE(percent->isEnabled());
  EXPECT_TRUE(minMax->isEnabled());
  // Chosen twice: the second time the command is disabled and the chart stays.
  percent->trigger();
  EXPECT_EQ(frame.processorLoadView(), chart);

  minMax->trigger();
  ASSERT_NE(frame.statisticsView(), nullptr);
  EXPECT_EQ(frame.processorLoadView(), nullptr);
  EXPECT_EQ(splitter->widget(0), frame.statisticsView());
  EXPECT_EQ(document.shownView(), gui::ShownView::StatisticsTable);
  EXPECT_FALSE(minMax->isEnabled());
  EXPECT_TRUE(percent->isEnabled());

  QAction* timeStep = frame.action("Timestep View");
  EXPECT_TRUE(timeStep->isEnabled());
  timeStep->trigger();
  gui::CTimeStepView* timeline = frame.timeStepView();
  ASSERT_NE(timeline, nullptr);
  EXPECT_EQ(frame.statisticsView(), nullptr);
  EXPECT_EQ(splitter->widget(0), timeline);
  EXPECT_EQ(document.shownView(), gui::ShownView::TimeStep);
  EXPECT_FALSE(timeStep->isEnabled());
  EXPECT_TRUE(minMax->isEnabled());
  EXPECT_TRUE(percent->isEnabled());
  percent->trigger();
  EXPECT_EQ(frame.timeStepView(), nullptr);
  EXPECT_NE(frame.processorLoadView(), nullptr);
}

// The menus of the menu bar.
std::vector<QMenu*> menusOf(CMainFrame& frame) {
  std::vector<QMenu*> menus;
  for (QAction* entry : frame.menuBar()->actions()) {
    if (entry->menu() != nullptr) {
      menus.push_back(entry->menu());
    }
  }
  return menus;
}

TEST_F(MainFrameTest, MenusHaveTheirOwnMnemonicsAndShowEachShortcutOnce) {
  CMainFrame frame(document, profile);
  std::set<int> mnemonics;
  for (QMenu* menu : menusOf(frame)) {
    const QKeySequence mnemonic = QKeySequence::mnemonic(menu->title());
    ASSERT_FALSE(mnemonic.isEmpty()) << menu->title().toStdString();
    EXPECT_TRUE(mnemonics.insert(mnemonic[0].toCombined()).second)
        << menu->title().toStdString() << " shares " << mnemonic.toString().toStdString();
    for (QAction* entry : menu->actions()) {
      // A menu shows the text after a TAB as the entry's shortcut, or else the shortcut itself:
      // the key must not be part of the entry's name as well.
      const QString name = entry->text().section('\t', 0, 0);
      for (const QKeySequence& key : entry->shortcuts()) {
        EXPECT_FALSE(name.contains(key.toString())) << name.toStdString();
      }
    }
  }
}

TEST_F(MainFrameTest, MobileOnAndOffSwitchThePhoneAndSayHowItWent) {
  CMainFrame frame(document, profile);
  SimulatedPhone* phone = frame.phoneLink().simulatedPhone();
  ASSERT_NE(phone, nullptr);
  frame.action("Mobile On")->trigger();
  EXPECT_TRUE(phone->switchedOn());
  frame.action("Mobile Off")->trigger();
  EXPECT_FALSE(phone->switchedOn());
  phone->faults().switchOnFails = true;
  frame.action("Mobile On")->trigger();
  phone->faults().openComFails = true;
  frame.action("Mobile Off")->trigger();
  EXPECT_EQ(texts(), (std::vector<std::string>{
                         "Mobile Switched On !", "Mobile Switched Off !",
                         "Unable to Switch Mobile On/Mobile might be already switched on \nOr "
                         "check the connection",
                         "Unable to open COM Port 1."}));
  // The panes name the port and the switch-up settings.
  EXPECT_TRUE(frame.statusBar()->findChildren<QLabel*>().size() >= 6);
  const auto paneTexts = [&] {
    QStringList list;
    for (const QLabel* label : frame.statusBar()->findChildren<QLabel*>()) {
      list << label->text();
    }
    return list;
  };
  EXPECT_TRUE(paneTexts().contains("Link: simulated"));
  EXPECT_TRUE(paneTexts().contains("COM1"));
  EXPECT_TRUE(paneTexts().contains("SwitchUp Baud: 115200"));
  EXPECT_TRUE(paneTexts().contains("SwitchUp Frame Size: 64"));
}

TEST_F(MainFrameTest, MopAreaQuestionNamesAPathOfTheMenus) {
  session.settings.Set("startadress", "C0000020");
  std::string text;
  for (int i = 1; i <= 60; ++i) {
    text += etmWrite(i, 0x1000, 1, "1.000us");  // outside the MOP area
  }
  const QString trace = dir.path() + "/far.prn";
  writeText(trace.toStdString(), text);
  document.setLoader([](Session& s, const std::string& path) { return openTraceFile(s, path); });
  CMainFrame frame(document, profile);
  prompter.answers = {PromptAnswer::No};
  document.openDocument(trace);
  ASSERT_EQ(prompter.shown.size(), 1u);
  const QRegularExpressionMatch match =
      QRegularExpression("Select '([^']*)'").match(QString::fromStdString(prompter.shown[0].text));
  ASSERT_TRUE(match.hasMatch());
  const QStringList path = match.captured(1).split('\\');
  ASSERT_EQ(path.size(), 3);  // menu, entry and the sheet, field

  const auto plain = [](QString caption) {
    caption = caption.section('\t', 0, 0).remove('&');
    while (caption.endsWith('.')) {
      caption.chop(1);
    }
    return caption;
  };
  QAction* entry = nullptr;
  for (QMenu* menu : menusOf(frame)) {
    if (plain(menu->title()) == path[0]) {
      for (QAction* candidate : menu->actions()) {
        if (plain(candidate->text()) == path[1]) {
          entry = candidate;
        }
      }
    }
  }
  ASSERT_NE(entry, nullptr) << match.captured(1).toStdString();

  QString title;
  bool fieldFound = false;
  QTimer::singleShot(0, &frame, [&] {
    auto* sheet = qobject_cast<gui::CSetupSheet*>(QApplication::activeModalWidget());
    ASSERT_NE(sheet, nullptr);
    title = sheet->windowTitle();
    for (QLabel* label : sheet->findChildren<QLabel*>()) {
      fieldFound |= label->text().contains(path[2], Qt::CaseInsensitive) &&
                    label->parentWidget() == sheet->startAddressEdit()->parentWidget();
    }
    sheet->reject();
  });
  entry->trigger();
  EXPECT_EQ(title, path[1]);
  EXPECT_TRUE(fieldFound);
}

TEST_F(MainFrameTest, LoadFillsBothViewsAndTheTitle) {
  session.settings.Set("startadress", "C0000020");
  const std::string path = (dir.path() + "/t.prn").toStdString();
  writeText(path, etmWrite(1, 0, 0x0312, "1.000us") + etmWrite(2, 8, 4, "1.000us") +
                      etmWrite(3, 10, 4, "1.000us") + etmWrite(4, 2, 0x0312, "1.000us"));
  CMainFrame frame(document, profile);
  ASSERT_TRUE(document.openDocument(QString::fromStdString(path)));
  EXPECT_EQ(frame.windowTitle(), QString::fromStdString(path));
  EXPECT_EQ(frame.streamView()->model()->rowCount(), 4);
  EXPECT_EQ(frame.statisticsView()->model()->rowCount(), 2);
  EXPECT_EQ(frame.framesPane()->text(), "Frames: 4");
  EXPECT_EQ(profile.recentFiles().size(), 1);
  prompter.answers = {PromptAnswer::No};
  ASSERT_TRUE(document.openDocument(QString::fromStdString(path)));
  writeText(path + ".prn", etmWrite(1, 0, 0x0312, "1.000us"));
  prompter.answers = {PromptAnswer::No};
  ASSERT_TRUE(document.openDocument(QString::fromStdString(path + ".prn")));
  EXPECT_EQ(profile.recentFiles().size(), 2);
}

TEST_F(MainFrameTest, TableAnalysesTheWholeTraceThroughTheDocumentWhenItStarts) {
  session.engine->append(TraceEvent(0.0, 0x200, EventKind::START_PROC, 0, 0, 0.0, 0));
  session.engine->append(TraceEvent(0.5, 0x200, EventKind::END_PROC, 0, 0, 0.0, 0));
  std::vector<gui::UpdateHint> hints;
  QObject::connect(&document, &gui::CKelvorDoc::viewsUpdate,
                   [&](gui::UpdateHint hint) { hints.push_back(hint); });
  gui::CKelvorView view(document);
  EXPECT_EQ(hints, std::vector<gui::UpdateHint>{gui::UpdateHint::StatisticsChanged});
  ASSERT_EQ(view.model()->rowCount(), 1);
  EXPECT_EQ(session.engine->find(0x200)->calls, 1u);
}

TEST_F(MainFrameTest, FilesDroppedOnTheFrameOrEitherPaneAreOpened) {
  session.settings.Set("startadress", "C0000020");
  CMainFrame frame(document, profile);
  QMimeData text;
  text.setText("not a file");
  QWidget* const targets[] = {&frame, frame.statisticsView()->viewport(),
                              frame.streamView()->viewport()};
  QStringList opened;
  for (QWidget* target : targets) {
    const QString path = QString("%1/%2.prn").arg(dir.path()).arg(opened.size());
    writeText(path.toStdString(), etmWrite(1, 0, 0x0312, "1.000us"));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(path)});
    // The application routes a drop to the window that accepted the drag's entry.
    QDragEnterEvent refused(QPoint(1, 1), Qt::CopyAction, &text, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &refused);
    EXPECT_FALSE(refused.isAccepted());
    QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction | Qt::MoveAction, &files, Qt::NoButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(1, 1), Qt::CopyAction | Qt::MoveAction, &files, Qt::NoButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    // The file opens once the drop has finished.
    EXPECT_EQ(profile.recentFiles(), opened);
    prompter.answers = {PromptAnswer::No};  // the text trace before is not saved as .run
    drainEvents();
    opened.prepend(path);
    EXPECT_EQ(profile.recentFiles(), opened);
    EXPECT_EQ(frame.windowTitle(), path);
  }
}

TEST_F(MainFrameTest, ClosingStoresThePlacementAndTheSettingsForTheNextStart) {
  const QString settingsFile = dir.path() + "/settings.ini";
  {
    QSettingsBackend settingsBackend(settingsFile, QSettings::IniFormat);
    Session run(settingsBackend);
    run.settings.Load();
    run.engine = std::make_unique<StatisticsEngine>(run.analysis);
    gui::CKelvorDoc runDocument(run, prompter, dialogs);
    CMainFrame frame(runDocument, profile);
    frame.setGeometry(40, 50, 700, 500);
    run.settings.Set("startadress", "20");
    frame.show();
    EXPECT_TRUE(frame.close());
  }
  EXPECT_TRUE(profile.placement().complete());
  EXPECT_EQ(profile.placement().x1, 40);
  QSettingsBackend settingsBackend(settingsFile, QSettings::IniFormat);
  Session next(settingsBackend);
  next.settings.Load();
  EXPECT_EQ(next.settings.Get("startadress"), "20");
}

}  // namespace
}  // namespace kelvor::test

namespace kelvor::test {
namespace {

TEST(FileDropTest, FileListsDragAsCopyWithCtrlAndAsMoveOtherwiseButAlwaysDropAsCopy) {
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile("/data/a.prn"), QUrl::fromLocalFile("/data/b.run")});
  QMimeData text;
  text.setText("not a file");
  const Qt::DropActions both = Qt::CopyAction | Qt::MoveAction;
  const struct {
    const QMimeData* data;
    Qt::DropActions offered;
    Qt::KeyboardModifiers modifiers;
    bool accepted;
    Qt::DropAction dragAction;  // while the drag is over the window: the cursor
  } cases[] = {{&files, both, Qt::ControlModifier, true, Qt::CopyAction},
               {&files, both, Qt::NoModifier, true, Qt::MoveAction},
               {&text, both, Qt::NoModifier, false, Qt::IgnoreAction},
               // A source that only lets its files be moved would delete them after the drop.
               {&files, Qt::MoveAction, Qt::NoModifier, false, Qt::IgnoreAction}};
  SessionFixture fixture;
  ScriptedFileDialogs dialogs;
  gui::CKelvorDoc document(fixture.session, fixture.prompter, dialogs);
  for (const auto& c : cases) {
    QDropEvent event(QPointF(1, 1), c.offered, c.data, Qt::NoButton, c.modifiers);
    EXPECT_EQ(gui::acceptFileDrag(&event), c.accepted);
    EXPECT_EQ(event.isAccepted(), c.accepted);
    if (c.accepted) {
      EXPECT_EQ(event.dropAction(), c.dragAction);
    }
    QDropEvent drop(QPointF(1, 1), c.offered, c.data, Qt::NoButton, c.modifiers);
    EXPECT_EQ(gui::openDroppedFiles(&drop, document), c.accepted);
    EXPECT_EQ(drop.isAccepted(), c.accepted);
    if (c.accepted) {
      EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    }
  }
  QDropEvent drop(QPointF(1, 1), Qt::MoveAction, &files, Qt::NoButton, Qt::NoModifier);
  EXPECT_EQ(gui::droppedFiles(&drop), (QStringList{"/data/a.prn", "/data/b.run"}));
}

}  // namespace
}  // namespace kelvor::test
