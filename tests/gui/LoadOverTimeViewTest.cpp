#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSplitter>
#include <QTemporaryDir>

#include "GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "views/CLoadOverTimeView.h"
#include "views/LoadOverTimePainter.h"
#include "views/TimeStepContent.h"

namespace kelvor::test {
namespace {

using gui::CLoadOverTimeView;

constexpr std::uint16_t P1 = 0x0200;
constexpr std::uint16_t P2 = 0x0300;

class LoadOverTimeViewTest : public ::testing::Test, public SessionFixture {
 protected:
  // P1 runs over the first half of a one-second trace with interrupt 3 nested at 0.2..0.3, P2
  // from 0.6 to 0.8.
  void addTrace() {
    StatisticsEngine& engine = *session.engine;
    engine.append(TraceEvent(0.0, P1, EventKind::START_PROC, 0, 0, 0.0, 0));
    engine.append(TraceEvent(0.2, 0, EventKind::START_IRQ, 3, 0, 0.0, 0));
    engine.append(TraceEvent(0.3, 0, EventKind::END_IRQ, 3, 0, 0.0, 0));
    engine.append(TraceEvent(0.5, P1, EventKind::END_PROC, 0, 0, 0.0, 0));
    engine.append(TraceEvent(0.6, P2, EventKind::START_PROC, 0, 0, 0.0, 0));
    engine.append(TraceEvent(0.8, P2, EventKind::END_PROC, 0, 0, 0.0, 0));
    engine.append(TraceEvent(1.0, 0, EventKind::CLK_SPEED, 0, 0, 26.0, 0));
    engine.analyse(TimeWindow::wholeTrace());
    session.timeStep.resetFor(engine.stream());
  }
  double netOf(const CLoadOverTimeView& view, std::uint32_t entry) const {
    const LoadOverTime& load = view.result();
    double total = 0.0;
    for (std::size_t e = 0; e < load.entryCount(); ++e) {
      for (std::size_t k = 0; k < load.intervalCount() && load.entries()[e] == entry; ++k) {
        total += load.netTime(e, k);
      }
    }
    return total;
  }

  QTemporaryDir dir;
  QSettings profileSettings{dir.path() + "/profile.conf", QSettings::IniFormat};
  gui::ApplicationProfile profile{profileSettings};
  ScriptedFileDialogs dialogs;
  gui::CKelvorDoc document{session, prompter, dialogs};
};

TEST_F(LoadOverTimeViewTest, FollowsTheTimeStepRangeAndComputesOnlyWhenItsInputsChange) {
  addTrace();
  CLoadOverTimeView view(document);
  view.resize(800, 500);
  drainEvents();
  ASSERT_EQ(view.computations(), 1u);
  EXPECT_EQ(view.result().intervalCount(), LoadCut::DefaultCount);
  EXPECT_DOUBLE_EQ(view.result().windowEnd(), 1.0);
  EXPECT_NEAR(netOf(view, P1), session.engine->find(P1)->totalWithoutInt, 1e-12);
  EXPECT_EQ(view.chart().series.size(), 3u);
  // The walk is the time-step chart's, kept for it.
  EXPECT_TRUE(document.timeStepContent().walkedFor(session));

  // A new visible set, a new analysis and the drawing style only change what is drawn.
  session.engine->statsFor(P2).visible = 0;
  document.updateAllViews(gui::UpdateHint::VisibleSetChanged);
  document.analyseWindow(TimeWindow::between(0.1, 0.4));
  view.setStacked(true);
  drainEvents();
  EXPECT_EQ(view.computations(), 1u);
  ASSERT_EQ(view.chart().series.size(), 2u);
  for (const gui::LoadSeries& series : view.chart().series) {
    EXPECT_NE(view.result().entries()[series.column], P2);
  }

  view.setIntervalCount(10);
  drainEvents();
  EXPECT_EQ(view.computations(), 2u);
  EXPECT_EQ(view.result().intervalCount(), 10u);

  // The time-step chart left a zoomed range and a marker: the view shows them.
  SavedView zoomed{0.25, 0.5, 0.0, Markers::none(TraceBounds::of(session.engine->stream()))};
  zoomed.markers.marker1 = Marker{0.3, true};
  session.timeStep.saved = zoomed;
  document.updateAllViews(gui::UpdateHint::StatisticsChanged);
  drainEvents();
  EXPECT_EQ(view.computations(), 3u);
  EXPECT_DOUBLE_EQ(view.result().windowStart(), 0.25);
  EXPECT_DOUBLE_EQ(view.result().windowEnd(), 0.75);
  EXPECT_DOUBLE_EQ(view.chart().window.viewStart, 0.25);
  EXPECT_TRUE(view.chart().markers.marker1.set);
  EXPECT_NEAR(netOf(view, P1), 0.5 - 0.3, 1e-12);  // interrupt 3 ran until 0.3

  // A load drops the result before the engine goes.
  emit document.viewsDetach();
  EXPECT_TRUE(view.result().empty());
  EXPECT_EQ(view.chart().state, gui::LoadOverTimeChart::State::NoData);
}

TEST_F(LoadOverTimeViewTest, ALongTraceIsWalkedOnTheWorkerThreadToTheSameFigures) {
  // Long enough for the worker thread: P1 runs the first half of every millisecond.
  StatisticsEngine& engine = *session.engine;
  constexpr int Periods = 500'000;
  for (int i = 0; i < Periods; ++i) {
    const double t = i * 1e-3;
    engine.append(TraceEvent(t, P1, EventKind::START_PROC, 0, 0, 0.0, 0));
    engine.append(TraceEvent(t + 5e-4, P1, EventKind::END_PROC, 0, 0, 0.0, 0));
  }
  engine.analyse(TimeWindow::wholeTrace());
  session.timeStep.resetFor(engine.stream());
  CLoadOverTimeView view(document);
  view.updateResult();
  EXPECT_EQ(view.computations(), 1u);
  EXPECT_EQ(view.chart().state, gui::LoadOverTimeChart::State::Ready);
  EXPECT_NEAR(netOf(view, P1), engine.find(P1)->totalWithoutInt, 1e-9);
  EXPECT_NEAR(view.result().load(LoadCut::DefaultCount / 2), 0.5, 1e-6);
}

TEST_F(LoadOverTimeViewTest, DrawsTheSummedLoadAtItsLevelAsLinesOrAreas) {
  addTrace();
  CLoadOverTimeView view(document);
  view.setIntervalCount(2);  // 100 % in the first half, 40 % in the second
  view.updateResult();
  const QSize size(800, 500);
  const gui::LoadOverTimeLayout layout =
      gui::loadOverTimeLayout(size, QFontMetrics(gui::loadOverTimeFont()).height());
  const QRect plot = layout.plot;
  const int firstHalf = plot.left() + plot.width() / 4;
  const int secondHalf = plot.left() + plot.width() * 3 / 4;
  const QRgb black = qRgb(0, 0, 0);
  const QRgb white = qRgb(255, 255, 255);
  auto blackBetween = [&](const QImage& image, int x, int top, int bottom) {
    for (int y = top; y <= bottom; ++y) {
      if (image.pixel(x, y) == black) {
        return true;
      }
    }
    return false;
  };

  const QImage lines = view.renderImage(size);
  EXPECT_TRUE(blackBetween(lines, firstHalf, plot.top() + 1, plot.top() + plot.height() / 20));
  EXPECT_FALSE(blackBetween(lines, secondHalf, plot.top() + 1, plot.top() + plot.height() / 2));
  EXPECT_TRUE(blackBetween(lines, secondHalf, plot.bottom() - plot.height() / 2,
                           plot.bottom() - plot.height() / 4));
  EXPECT_EQ(lines.pixel(firstHalf, plot.center().y()), white);

  view.setStacked(true);
  const QImage areas = view.renderImage(size);
  EXPECT_NE(areas.pixel(firstHalf, plot.center().y()), white);
  EXPECT_EQ(areas.pixel(secondHalf, plot.center().y()), white);
}

TEST_F(LoadOverTimeViewTest, TheViewMenuSwitchesToItAfterTheTimestepView) {
  addTrace();
  gui::CMainFrame frame(document, profile);
  frame.resize(1200, 700);
  QMenu* viewMenu = nullptr;
  for (QAction* entry : frame.menuBar()->actions()) {
    if (entry->menu() != nullptr && entry->text() == "&View") {
      viewMenu = entry->menu();
    }
  }
  ASSERT_NE(viewMenu, nullptr);
  const QList<QAction*> entries = viewMenu->actions();
  const qsizetype timeStep = entries.indexOf(frame.action("Timestep View"));
  ASSERT_GE(timeStep, 0);
  ASSERT_LT(timeStep + 1, entries.size());
  QAction* load = entries[timeStep + 1];
  EXPECT_EQ(load, frame.action("Load over Time"));

  load->trigger();
  ASSERT_NE(frame.loadOverTimeView(), nullptr);
  EXPECT_EQ(qobject_cast<QSplitter*>(frame.centralWidget())->widget(0), frame.loadOverTimeView());
  EXPECT_EQ(document.shownView(), gui::ShownView::LoadOverTime);
  EXPECT_FALSE(load->isEnabled());
  drainEvents();
  EXPECT_EQ(frame.loadOverTimeView()->result().intervalCount(), LoadCut::DefaultCount);
  frame.action("Timestep View")->trigger();
  EXPECT_EQ(frame.loadOverTimeView(), nullptr);
  EXPECT_TRUE(load->isEnabled());
}

}  // namespace
}  // namespace kelvor::test
