#pragma once

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QSplitter>
#include <vector>

#include "app/ApplicationProfile.h"
#include "app/CKelvorDoc.h"
#include "app/PhoneLink.h"
#include "app/RecordingControl.h"
#include "app/StatusPanes.h"

namespace kelvor::gui {

class CKelvorView;
class CLoadOverTimeView;
class CStreamListView;
class CSumProcessView;
class CTimeStepView;
class PrintableView;

// The main window: menus, toolbar, status bar and the splitter with the statistics table or the
// processor-load chart on the left and the stream list on the right. Routes the commands to the
// document and the views and asks about unsaved data before it closes.
class CMainFrame final : public QMainWindow {
  Q_OBJECT
 public:
  static constexpr const char* InitialTitle =
      "Kelvor: Serial / TLA (Use even Drag/Drop to open the file)";

  // `link` says where the phone link takes its settings and library from; without settings they
  // stay in memory (tests).
  CMainFrame(CKelvorDoc& document, ApplicationProfile& profile, const PhoneLinkSetup& link = {},
             QWidget* parent = nullptr);
  ~CMainFrame() override;

  // The view in the left pane: the statistics table, the processor-load chart, the time-step
  // chart or the load over time; the others are null.
  CKelvorView* statisticsView() const { return statisticsView_; }
  CSumProcessView* processorLoadView() const { return processorLoadView_; }
  CTimeStepView* timeStepView() const { return timeStepView_; }
  CLoadOverTimeView* loadOverTimeView() const { return loadOverTimeView_; }
  ViewMode viewMode() const { return viewMode_; }
  CStreamListView* streamView() const { return streamView_; }
  // A command's action by its menu text without "&" and accelerator (e.g. "Percent View").
  QAction* action(const QString& name) const;
  QLabel* framesPane() const { return panes_->frames(); }
  QLabel* statePane() const { return panes_->state(); }
  const StatusPanes& statusPanes() const { return *panes_; }

  // Restores the stored placement (when complete), fitted to the screen.
  void restorePlacement();
  WindowPlacement currentPlacement() const;

  // The commands.
  // Replaces the left pane by the view of the mode.
  void switchView(ViewMode mode);
  void configuration();
  // "Mobile On" / "Mobile Off": the phone switched through the link, the outcome in a message.
  void mobileSwitch(bool on);
  PhoneLink& phoneLink() { return phone_; }
  // "Record" / "Stop".
  RecordingControl& recording() { return *recording_; }
  void versionInfo();
  void about();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createActions();
  void createMenus();
  void createStatusBar();
  void updateRecentFiles();
  void updateStatusPanes();
  void updateLinkPanes();
  void updateViewCommands();
  // Record, Configuration, Mobile On, Mobile Off and Open only while no recording runs, Stop
  // only while one runs.
  void updateRecordingCommands();
  PrintableView* shownPrintable() const;
  QAction* addCommand(const QString& text, const QKeySequence& shortcut = {});

  CKelvorDoc& document_;
  ApplicationProfile& profile_;
  PhoneLink phone_;
  RecordingControl* recording_;
  QSplitter* splitter_;
  CKelvorView* statisticsView_;
  CSumProcessView* processorLoadView_ = nullptr;
  CTimeStepView* timeStepView_ = nullptr;
  CLoadOverTimeView* loadOverTimeView_ = nullptr;
  CStreamListView* streamView_;
  std::vector<QAction*> actions_;
  std::vector<QAction*> recentActions_;
  QAction* noRecentAction_ = nullptr;
  std::unique_ptr<StatusPanes> panes_;
  std::size_t listedCount_ = 0;
  ViewMode viewMode_ = ViewMode::StatisticsTable;
};

}  // namespace kelvor::gui
