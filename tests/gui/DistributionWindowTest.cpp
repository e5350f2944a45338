#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QTableWidget>
#include <QTimer>

#include "GuiTestSupport.h"
#include "app/CKelvorDoc.h"
#include "views/CKelvorView.h"
#include "views/DistributionWindow.h"

namespace kelvor::test {
namespace {

using gui::DistributionWindow;

constexpr std::uint16_t Target = 0x0300;
constexpr std::uint32_t Interrupt = 5;

class DistributionWindowTest : public ::testing::Test, public SessionFixture {
 protected:
  void proc(double start, double end, std::uint16_t id) {
    session.engine->append(TraceEvent(start, id, EventKind::START_PROC, 0, 0, 0.0, 0));
    session.engine->append(TraceEvent(end, id, EventKind::END_PROC, 0, 0, 0.0, 0));
  }

  // 0x0200 runs once; the target runs 1 ms, 2 ms of which an interrupt takes 0.5 ms, 4 ms
  // inside the window [0.5, 3.5] s, and 8 ms after it.
  void loadTrace() {
    proc(0.0, 0.001, 0x0200);
    proc(1.0, 1.001, Target);
    session.engine->append(TraceEvent(2.0, Target, EventKind::START_PROC, 0, 0, 0.0, 0));
    session.engine->append(TraceEvent(2.001, 0, EventKind::START_IRQ, Interrupt, 0, 0.0, 0));
    session.engine->append(TraceEvent(2.0015, 0, EventKind::END_IRQ, Interrupt, 0, 0.0, 0));
    session.engine->append(TraceEvent(2.002, Target, EventKind::END_PROC, 0, 0, 0.0, 0));
    proc(3.0, 3.004, Target);
    proc(4.0, 4.008, Target);
    session.processTable.store("TARGET", Target, 0x0100, OriginIdList);
  }

  // The window of the menu's "Distribution..." of the row under a right click, or null when the
  // entry is disabled; `tip` gets its tooltip.
  DistributionWindow* rightClickRow(gui::CKelvorView& view, int row, QString& tip) {
    bool shown = false;
    bool enabled = false;
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr || menu->actions().size() != 1) {
        return;
      }
      QAction* action = menu->actions().front();
      shown = action->text() == gui::DistributionActionText;
      enabled = action->isEnabled();
      tip = action->toolTip();
      menu->hide();
      if (enabled) {
        action->trigger();
      }
    });
    const QPoint at = view.visualRect(view.model()->index(row, 1)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.viewport()->mapToGlobal(at));
    QApplication::sendEvent(view.viewport(), &event);
    EXPECT_TRUE(shown);
    const auto open = view.findChildren<DistributionWindow*>();
    return enabled && open.size() == 1 ? open.front() : nullptr;
  }

  static QString figure(const DistributionWindow& window, const char* label, int column) {
    const QTableWidget& table = *window.figuresTable();
    for (int row = 0; row < table.rowCount(); ++row) {
      if (table.verticalHeaderItem(row)->text() == label) {
        return table.item(row, column)->text();
      }
    }
    return "missing";
  }

  ScriptedFileDialogs dialogs;
  gui::CKelvorDoc document{session, prompter, dialogs};
};

TEST_F(DistributionWindowTest, RowUnderTheClickShowsItsEntryOverTheAnalysedWindowAndFollowsIt) {
  loadTrace();
  gui::CKelvorView view(document);
  view.resize(700, 300);
  view.show();
  document.analyseWindow(TimeWindow::between(0.5, 3.5));
  ASSERT_EQ(view.tableModel().rows()[1].id, Target);

  QString tip;
  DistributionWindow* window = rightClickRow(view, 1, tip);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->entry(), Target);
  EXPECT_EQ(view.selectionModel()->selectedRows().value(0).row(), 1);
  EXPECT_EQ(window->windowTitle(), "Distribution - 0x0300 TARGET");

  // The figures of the window the table shows: the 8 ms run lies outside it.
  const ProcessStats& record = *session.engine->find(Target);
  const EntryDistribution& shown = window->distribution();
  EXPECT_EQ(record.calls, 3u);
  EXPECT_EQ(shown.net.count, record.calls);
  EXPECT_EQ(shown.gross.count, record.calls);
  EXPECT_EQ(shown.net.max, record.maxWithoutInt);
  EXPECT_EQ(shown.gross.max, record.maxWithInt);
  EXPECT_EQ(figure(*window, "count", 0), "3");
  EXPECT_EQ(figure(*window, "P50", 0), "1.5 ms");  // net: 1, 1.5, 4 ms
  EXPECT_EQ(figure(*window, "P50", 1), "2 ms");    // gross: 1, 2, 4 ms
  EXPECT_EQ(figure(*window, "max", 1), "4 ms");
  EXPECT_EQ(figure(*window, "zeros", 0), "missing");
  // A second request for the entry raises the same window.
  EXPECT_EQ(view.openDistribution(1), window);

  // New markers: the window shows the new analysis once the event that set them is done.
  document.analyseWindow(TimeWindow::wholeTrace());
  drainEvents();
  EXPECT_EQ(window->distribution().net.count, 4u);
  EXPECT_EQ(figure(*window, "max", 0), "8 ms");
  EXPECT_EQ(session.engine->find(Target)->calls, 4u);

  // A recording or a load replaces the trace: the window goes.
  const QPointer<DistributionWindow> alive(window);
  document.resetViews();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull());
}

TEST_F(DistributionWindowTest, MenuEntryIsDisabledWithoutATraceAndWhileRecording) {
  gui::CKelvorView view(document);
  view.resize(700, 300);
  view.show();
  // Records without events (entries named before any trace) give rows but no trace.
  session.engine->statsFor(0x0200);
  view.refreshRows();
  QString tip;
  EXPECT_EQ(rightClickRow(view, 0, tip), nullptr);
  EXPECT_EQ(tip, gui::DistributionNoTraceTip);
  EXPECT_FALSE(view.contextMenuFor(-1)->actions().front()->isEnabled());

  loadTrace();
  document.analyseWindow(TimeWindow::wholeTrace());
  bool recording = true;
  document.recordingRuns = [&] { return recording; };
  EXPECT_EQ(rightClickRow(view, 0, tip), nullptr);
  EXPECT_EQ(tip, gui::DistributionRecordingTip);
  recording = false;
  EXPECT_NE(rightClickRow(view, 0, tip), nullptr);
}

}  // namespace
}  // namespace kelvor::test
