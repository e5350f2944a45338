#include "app/CMainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "app/CSetupSheet.h"
#include "session/LoadIdFiles.h"
#include "views/CKelvorView.h"
#include "views/CLoadOverTimeView.h"
#include "views/CStreamListView.h"
#include "views/CSumProcessView.h"
#include "views/CTimeStepView.h"
#include "views/FileDropSupport.h"

namespace kelvor::gui {

CMainFrame::CMainFrame(CKelvorDoc& document, ApplicationProfile& profile,
                       const PhoneLinkSetup& link, QWidget* parent)
    : QMainWindow(parent),
      document_(document),
      profile_(profile),
      phone_(link, document.prompter()),
      recording_(new RecordingControl(document, phone_, this)),
      splitter_(new QSplitter(Qt::Horizontal, this)),
      statisticsView_(new CKelvorView(document, splitter_)),
      streamView_(new CStreamListView(document, splitter_)) {
  setObjectName("mainFrame");
  setWindowTitle(InitialTitle);
  document_.setWindow(this);

  // The version of this program goes into the profile when it differs from the one there.
  if (profile_.version() != programFileVersion()) {
    profile_.setVersion(programFileVersion());
  }
  document_.session().seenIds.clear();
  document_.session().dataOrigin = DataOrigin::NothingToSave;
  document_.setShownView(shownViewFor(viewMode_));

  createActions();
  createMenus();
  createStatusBar();

  splitter_->addWidget(statisticsView_);
  splitter_->addWidget(streamView_);
  document_.setStreamList(streamView_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setSizes({616, 500});
  setCentralWidget(splitter_);
  // Files dropped anywhere on the frame are opened. The panes do not take drops themselves, so
  // a drag over either of them goes on to the frame.
  (new FileDropFilter(document_, this))->watch(this);
  statisticsView_->setFocus();
  resize(1200, 700);

  connect(&document_, &CKelvorDoc::titleChanged, this, &QWidget::setWindowTitle);
  connect(&document_, &CKelvorDoc::recentFileAdded, this, [this](const QString& path) {
    profile_.addRecentFile(path);
    updateRecentFiles();
  });
  connect(streamView_, &CStreamListView::listedCountChanged, this, [this](std::size_t count) {
    listedCount_ = count;
    updateStatusPanes();
  });
  listedCount_ = streamView_->listModel().listedCount();
  updateStatusPanes();
  connect(recording_, &RecordingControl::stateChanged, this, [this] {
    updateRecordingCommands();
    updateStatusPanes();
  });
  connect(recording_, &RecordingControl::refreshed, this, [this](std::size_t events) {
    const SerialRecorder& recorder = recording_->recorder();
    panes_->showRecords(recorder.recordsRead(), recorder.unusableRecords(),
                        recorder.remainderBytes(), events > 0 && recorder.recording());
  });
  updateRecordingCommands();
}

CMainFrame::~CMainFrame() {
  document_.session().settings.Save();
}

void CMainFrame::createStatusBar() {
  // The link panes show the serial settings read when the frame was made.
  panes_ = std::make_unique<StatusPanes>(statusBar());
  updateLinkPanes();
}

void CMainFrame::updateRecordingCommands() {
  const bool recording = recording_->recording();
  for (const char* name :
       {"Record", "Properties...", "Mobile On", "Mobile Off", "Open...", "Compare With..."}) {
    action(name)->setEnabled(!recording);
  }
  action("Stop")->setEnabled(recording);
  for (QAction* recent : recentActions_) {
    recent->setEnabled(!recording);
  }
}

void CMainFrame::updateViewCommands() {
  // A view-switch command is disabled while its own view is shown.
  action("Min-Max View")->setEnabled(viewMode_ != ViewMode::StatisticsTable);
  action("Percent View")->setEnabled(viewMode_ != ViewMode::ProcessorLoad);
  action("Timestep View")->setEnabled(viewMode_ != ViewMode::TimeStep);
  action("Load over Time")->setEnabled(viewMode_ != ViewMode::LoadOverTime);
}

void CMainFrame::switchView(ViewMode mode) {
  if (mode == viewMode_) {
    return;
  }
  QWidget* const old = splitter_->widget(0);
  // Deleted first, so that it stops listening to the document and leaves the state it keeps
  // between instances before the next view reads it.
  splitter_->replaceWidget(0, new QWidget);
  delete old;
  statisticsView_ = nullptr;
  processorLoadView_ = nullptr;
  timeStepView_ = nullptr;
  loadOverTimeView_ = nullptr;
  QWidget* next = nullptr;
  switch (mode) {
    case ViewMode::StatisticsTable:
      statisticsView_ = new CKelvorView(document_);
      next = statisticsView_;
      break;
    case ViewMode::ProcessorLoad:
      processorLoadView_ = new CSumProcessView(document_);
      next = processorLoadView_;
      break;
    case ViewMode::TimeStep:
      // A new time-step chart starts on the whole trace without markers.
      timeStepView_ = new CTimeStepView(document_);
      next = timeStepView_;
      break;
    case ViewMode::LoadOverTime:
      // Shows the range and the markers the time-step chart left.
      loadOverTimeView_ = new CLoadOverTimeView(document_);
      next = loadOverTimeView_;
      break;
  }
  delete splitter_->replaceWidget(0, next);
  const int total = width();
  const int left = total * 3 / 4;
  splitter_->setSizes({left, std::max(0, total - left)});
  next->setFocus();
  viewMode_ = mode;
  document_.setShownView(shownViewFor(mode));
  updateViewCommands();
}

PrintableView* CMainFrame::shownPrintable() const {
  if (statisticsView_ != nullptr) {
    return statisticsView_;
  }
  if (timeStepView_ != nullptr) {
    return timeStepView_;
  }
  if (loadOverTimeView_ != nullptr) {
    return loadOverTimeView_;
  }
  return processorLoadView_;
}

void CMainFrame::mobileSwitch(bool on) {
  const std::string text = phone_.switchMobile(on);
  document_.prompter().message(text, ApplicationTitle, PromptIcon::Information);
}

void CMainFrame::updateLinkPanes() {
  panes_->showLink(phone_.linkInUse(), phone_.comSettings());
}

void CMainFrame::updateStatusPanes() {
  const Session& session = document_.session();
  panes_->showState(
      session.acquisitionState == AcquisitionState::Recording && recording_->recording(),
      listedCount_);
}

void CMainFrame::updateRecentFiles() {
  const QStringList files = profile_.recentFiles();
  for (std::size_t i = 0; i < recentActions_.size(); ++i) {
    QAction* recent = recentActions_[i];
    if (static_cast<qsizetype>(i) < files.size()) {
      const QString& file = files[static_cast<qsizetype>(i)];
      recent->setText(QString("&%1 %2").arg(i + 1).arg(file));
      recent->setData(file);
      recent->setVisible(true);
    } else {
      recent->setVisible(false);
    }
  }
  noRecentAction_->setVisible(files.isEmpty());
}

WindowPlacement CMainFrame::currentPlacement() const {
  WindowPlacement p;
  const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
  p.flags = 0;
  p.showCmd = isMinimized() ? 2 : isMaximized() ? 3 : 1;
  p.x1 = normal.left();
  p.y1 = normal.top();
  p.x2 = normal.right() + 1;
  p.y2 = normal.bottom() + 1;
  return p;
}

void CMainFrame::restorePlacement() {
  const WindowPlacement stored = profile_.placement();
  if (!stored.complete()) {
    return;
  }
  const QScreen* screen =
      this->screen() != nullptr ? this->screen() : QApplication::primaryScreen();
  const QSize screenSize = screen != nullptr ? screen->size() : QSize(1024, 768);
  const int icon = QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
  const WindowPlacement p = clampToScreen(stored, screenSize, QSize(icon, icon));
  if (p.x2 > p.x1 && p.y2 > p.y1) {
    setGeometry(QRect(QPoint(p.x1, p.y1), QPoint(p.x2 - 1, p.y2 - 1)));
  }
  if (p.showCmd == 3) {
    setWindowState(windowState() | Qt::WindowMaximized);
  }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // A recording ends before the questions about its data are asked.
  recording_->stop();
  if (!document_.canClose()) {
    event->ignore();
    return;
  }
  profile_.storePlacement(currentPlacement());
  profile_.sync();
  event->accept();
}

void CMainFrame::configuration() {
  Session& session = document_.session();
  CSetupSheet sheet(session.settings, document_.prompter(), document_.dialogs(),
                    phone_.serialPageInput(), this);
  if (sheet.exec() != QDialog::Accepted) {
    return;
  }
  sheet.storeToStore();
  phone_.storeComSettings(sheet.serialSettings());
  updateLinkPanes();
  loadIdFilesInto(session);
  document_.updateAllViews(UpdateHint::StatisticsChanged);
}

void CMainFrame::versionInfo() {
  QFile file(QCoreApplication::applicationDirPath() + "/Kelvor.ver");
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    document_.prompter().message("The file Kelvor.ver could not find!", ApplicationTitle,
                                 PromptIcon::Warning);
    return;
  }
  const QString text = QString::fromUtf8(file.readAll());
  QDialog dialog(this);
  dialog.setWindowTitle("Version Info:");
  auto* edit = new QPlainTextEdit(&dialog);
  edit->setReadOnly(true);
  // The latest changes first; "All Changes" shows the whole history.
  const qsizetype firstBreak = text.indexOf("\n\n", text.indexOf("\n\n") + 2);
  edit->setPlainText(firstBreak > 0 ? text.left(firstBreak) : text);
  auto* all = new QPushButton("All Changes", &dialog);
  connect(all, &QPushButton::clicked, edit, [edit, text] { edit->setPlainText(text); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  buttons->addButton(all, QDialogButtonBox::ActionRole);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(edit);
  layout->addWidget(buttons);
  dialog.resize(560, 360);
  dialog.exec();
}

void CMainFrame::about() {
  QDialog dialog(this);
  dialog.setWindowTitle("Info about Kelvor");
  auto* layout = new QVBoxLayout(&dialog);
  const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  layout->addWidget(new QLabel(QString("%1 Version %2").arg(program, KELVOR_VERSION), &dialog));
  layout->addWidget(new QLabel("Kelvor Serial/TLA Tool", &dialog));
  layout->addWidget(new QLabel(
      QString("QFL Version: %1").arg(QString::fromStdString(phone_.libraryVersion())), &dialog));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  dialog.exec();
}

}  // namespace kelvor::gui
