#include <gtest/gtest.h>

#include <QImage>

#include "GuiTestSupport.h"
#include "app/CKelvorDoc.h"
#include "views/CTimeStepView.h"

namespace kelvor::test {
namespace {

using gui::CTimeStepView;

constexpr std::uint16_t Alpha = 0x0200;
constexpr std::uint16_t Beta = 0x0300;
constexpr std::uint16_t Gamma = 0x0400;

void append(StatisticsEngine& engine, double time, std::uint16_t id, EventKind kind,
            std::uint32_t number = 0, double clock = 0.0) {
  engine.append(TraceEvent(time, id, kind, number, 0, clock, 0));
}

// While a recording runs, the chart's refresh walks only what arrived since the last one, and
// paints what a chart walked from scratch paints.
TEST(TimeStepRecordingTest, ARefreshTakesInTheNewEvents) {
  SessionFixture fixture;
  Session& session = fixture.session;
  StatisticsEngine& engine = *session.engine;
  // Alpha is interrupted by IRQ 5; Beta runs afterwards and is still running.
  append(engine, 0.0, Alpha, EventKind::START_PROC);
  append(engine, 0.1, 0, EventKind::START_IRQ, 5);
  append(engine, 0.2, 0, EventKind::END_IRQ, 5);
  append(engine, 0.4, Alpha, EventKind::END_PROC);
  append(engine, 0.5, Beta, EventKind::START_PROC);
  append(engine, 0.9, 0, EventKind::CLK_SPEED, 0, 52.0);
  engine.analyse();
  session.acquisitionState = AcquisitionState::Recording;
  ScriptedFileDialogs dialogs;
  gui::CKelvorDoc document(session, fixture.prompter, dialogs);
  CTimeStepView view(document);
  view.resize(1200, 700);
  const TimeStepRaster* raster = view.content().raster();
  ASSERT_NE(raster, nullptr);

  // Beta is interrupted; a new process starts inside the interrupt and runs to the last event.
  append(engine, 1.2, 0, EventKind::START_IRQ, 5);
  append(engine, 1.35, Gamma, EventKind::START_PROC);
  append(engine, 1.6, 0, EventKind::CLK_SPEED, 0, 26.0);
  document.updateAllViews(gui::UpdateHint::StatisticsChanged);
  EXPECT_EQ(view.content().raster(), raster) << "built anew";
  EXPECT_EQ(view.content().eventCount(), 9u);
  EXPECT_TRUE(view.content().walkedFor(session));
  ASSERT_NE(view.content().entry(Gamma), nullptr);
  EXPECT_NE(view.content().entry(Gamma)->raster, nullptr);
  view.showInterval(0.0, 1.6);
  const QImage live = view.renderImage(view.viewport()->size());

  session.acquisitionState = AcquisitionState::Stopped;
  document.timeStepContent().clear();
  CTimeStepView fresh(document);
  fresh.resize(1200, 700);
  fresh.showInterval(0.0, 1.6);
  ASSERT_NE(fresh.content().raster(), nullptr);
  EXPECT_EQ(fresh.renderImage(fresh.viewport()->size()), live);
}

}  // namespace
}  // namespace kelvor::test
