// The main frame's commands: the actions and the menus and tool bar that show them.
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

#include "app/CMainFrame.h"
#include "views/CKelvorView.h"
#include "views/CLoadOverTimeView.h"
#include "views/CStreamListView.h"
#include "views/CSumProcessView.h"
#include "views/CTimeStepView.h"

namespace kelvor::gui {
namespace {

// The name of a command: its menu text without the "&" marks and the accelerator text.
QString commandName(const QString& text) {
  QString name = text.section('\t', 0, 0);
  name.remove('&');
  return name.trimmed();
}

}  // namespace

QAction* CMainFrame::addCommand(const QString& text, const QKeySequence& shortcut) {
  auto* command = new QAction(text, this);
  command->setObjectName(commandName(text));
  if (!shortcut.isEmpty()) {
    command->setShortcut(shortcut);
  }
  actions_.push_back(command);
  return command;
}

QAction* CMainFrame::action(const QString& name) const {
  for (QAction* command : actions_) {
    if (command->objectName() == name) {
      return command;
    }
  }
  return nullptr;
}

void CMainFrame::createActions() {
  QStyle* style = QApplication::style();
  QAction* open = addCommand("&Open...\tStrg+O", QKeySequence("Ctrl+O"));
  open->setIcon(style->standardIcon(QStyle::SP_DialogOpenButton));
  open->setStatusTip("Open a trace file (.run, .prn, .txt, .mes).");
  connect(open, &QAction::triggered, &document_, &CKelvorDoc::openCommand);

  QAction* saveAs = addCommand("&Save As\tStrg+S", QKeySequence("Ctrl+S"));
  saveAs->setIcon(style->standardIcon(QStyle::SP_DialogSaveButton));
  saveAs->setStatusTip("Save the data as .run file or the interrupt-lock periods as .ilm file.");
  connect(saveAs, &QAction::triggered, &document_, [this] { document_.saveAs(); });

  QAction* statistic = addCommand("&Save Statistic\tStrg+F", QKeySequence("Ctrl+F"));
  statistic->setIcon(style->standardIcon(QStyle::SP_FileDialogDetailedView));
  statistic->setStatusTip("Save Statistic");
  connect(statistic, &QAction::triggered, &document_, &CKelvorDoc::saveStatistic);

  QAction* timeline = addCommand("Export &Timeline...");
  timeline->setStatusTip("Export the timeline as a trace-event JSON file for trace viewers.");
  connect(timeline, &QAction::triggered, &document_, &CKelvorDoc::exportTimeline);
  QAction* compare = addCommand("Compare &With...");
  compare->setStatusTip(
      "Compare the statistics with those of a baseline trace: the table gains the differences.");
  connect(compare, &QAction::triggered, &document_, &CKelvorDoc::compareWith);
  QAction* closeComparison = addCommand("Close &Comparison");
  closeComparison->setStatusTip("Drop the comparison with the baseline trace.");
  closeComparison->setEnabled(false);
  connect(closeComparison, &QAction::triggered, &document_, &CKelvorDoc::closeComparison);
  connect(&document_, &CKelvorDoc::comparisonChanged, this, [this, closeComparison] {
    closeComparison->setEnabled(document_.comparison() != nullptr);
  });

  QAction* print = addCommand("&Print...\tStrg+P", QKeySequence("Ctrl+P"));
  print->setIcon(QIcon::fromTheme("document-print", style->standardIcon(QStyle::SP_DriveFDIcon)));
  // Printing, print preview and printer set-up go to the view in the left pane.
  connect(print, &QAction::triggered, this, [this] { shownPrintable()->print(); });
  connect(addCommand("Side &view"), &QAction::triggered, this,
          [this] { shownPrintable()->printPreview(); });
  connect(addCommand("P&rinter Setup"), &QAction::triggered, this,
          [this] { shownPrintable()->printerSetup(); });

  connect(addCommand("&Mobile On\tF5", QKeySequence(Qt::Key_F5)), &QAction::triggered, this,
          [this] { mobileSwitch(true); });
  connect(addCommand("&Mobile Off\tF11", QKeySequence(Qt::Key_F11)), &QAction::triggered, this,
          [this] { mobileSwitch(false); });

  connect(addCommand("&Quit"), &QAction::triggered, this, &QWidget::close);

  QAction* minMax = addCommand("&Min-Max View");
  minMax->setStatusTip("Switch to Min/Max View.");
  connect(minMax, &QAction::triggered, this, [this] { switchView(ViewMode::StatisticsTable); });
  QAction* percent = addCommand("&Percent View");
  percent->setStatusTip("Switch to Percent View.");
  connect(percent, &QAction::triggered, this, [this] { switchView(ViewMode::ProcessorLoad); });
  QAction* timeStep = addCommand("&Timestep View");
  timeStep->setStatusTip("Switch to Timestep View.");
  connect(timeStep, &QAction::triggered, this, [this] { switchView(ViewMode::TimeStep); });
  QAction* loadOverTime = addCommand("&Load over Time");
  loadOverTime->setStatusTip("Switch to the load over time of the Timestep View's range.");
  connect(loadOverTime, &QAction::triggered, this, [this] { switchView(ViewMode::LoadOverTime); });
  updateViewCommands();

  // The sheet is reached as "Configuration", "Properties...": the path that the MOP-area
  // question names.
  QAction* configuration = addCommand("&Properties...");
  configuration->setIcon(style->standardIcon(QStyle::SP_FileDialogInfoView));
  connect(configuration, &QAction::triggered, this, &CMainFrame::configuration);

  QAction* record = addCommand("Record\tF9", QKeySequence(Qt::Key_F9));
  record->setStatusTip("Record the trace of the phone on the serial link.");
  connect(record, &QAction::triggered, this, [this] { recording_->record(); });
  QAction* stop = addCommand("Stop\tF8", QKeySequence(Qt::Key_F8));
  stop->setStatusTip("Stop the recording.");
  connect(stop, &QAction::triggered, this, [this] {
    recording_->stop();
    const SerialRecorder& recorder = recording_->recorder();
    panes_->showRecords(recorder.recordsRead(), recorder.unusableRecords(),
                        recorder.remainderBytes(), false);
  });

  connect(addCommand("Version &Info"), &QAction::triggered, this, &CMainFrame::versionInfo);
  QAction* aboutCommand = addCommand("&About Kelvor...");
  aboutCommand->setIcon(style->standardIcon(QStyle::SP_MessageBoxQuestion));
  connect(aboutCommand, &QAction::triggered, this, &CMainFrame::about);

  for (int i = 0; i < ApplicationProfile::RecentFileCount; ++i) {
    auto* recent = new QAction(this);
    recent->setVisible(false);
    connect(recent, &QAction::triggered, this,
            [this, recent] { document_.openDocument(recent->data().toString()); });
    recentActions_.push_back(recent);
  }
  noRecentAction_ = new QAction("&last document", this);
  noRecentAction_->setEnabled(false);
}

void CMainFrame::createMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->setToolTipsVisible(true);
  file->addAction(action("Open..."));
  file->addAction(action("Save As"));
  file->addAction(action("Save Statistic"));
  file->addAction(action("Compare With..."));
  file->addAction(action("Close Comparison"));
  file->addAction(action("Export Timeline..."));
  file->addSeparator();
  file->addAction(action("Print..."));
  file->addAction(action("Side view"));
  file->addAction(action("Printer Setup"));
  file->addSeparator();
  file->addAction(noRecentAction_);
  for (QAction* recent : recentActions_) {
    file->addAction(recent);
  }
  file->addSeparator();
  file->addAction(action("Quit"));

  QMenu* mobile = menuBar()->addMenu("M&obile");
  mobile->setToolTipsVisible(true);
  mobile->addAction(action("Mobile On"));
  mobile->addAction(action("Mobile Off"));

  QToolBar* tools = addToolBar("Toolbar");
  tools->setObjectName("toolbar");
  tools->setMovable(false);
  tools->addAction(action("Open..."));
  tools->addAction(action("Save As"));
  tools->addAction(action("Save Statistic"));
  tools->addSeparator();
  tools->addAction(action("Print..."));
  tools->addSeparator();
  tools->addAction(action("Properties..."));
  tools->addAction(action("About Kelvor..."));

  QMenu* view = menuBar()->addMenu("&View");
  view->setToolTipsVisible(true);
  QAction* toolbar = tools->toggleViewAction();
  toolbar->setText("T&oolbar");
  view->addAction(toolbar);
  auto* statusLine = new QAction("&Statusline", this);
  statusLine->setCheckable(true);
  statusLine->setChecked(true);
  connect(statusLine, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
  view->addAction(statusLine);
  view->addSeparator();
  view->addAction(action("Min-Max View"));
  view->addAction(action("Percent View"));
  view->addAction(action("Timestep View"));
  view->addAction(action("Load over Time"));

  QMenu* configurationMenu = menuBar()->addMenu("&Configuration");
  configurationMenu->addAction(action("Properties..."));

  QMenu* measurement = menuBar()->addMenu("&Measurement");
  measurement->setToolTipsVisible(true);
  measurement->addAction(action("Record"));
  measurement->addAction(action("Stop"));

  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction(action("Version Info"));
  help->addAction(action("About Kelvor..."));

  updateRecentFiles();
}

}  // namespace kelvor::gui
