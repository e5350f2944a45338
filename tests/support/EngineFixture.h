#pragma once

#include <gtest/gtest.h>

#include <sstream>

#include "RecordingPrompter.h"
#include "analysis/StatisticsEngine.h"

namespace kelvor::test {

// An engine with a recorded console and prompter, and short-hand appenders for traces.
class EngineFixture : public ::testing::Test {
 protected:
  EngineFixture() {
    context.console = &console;
    context.prompter = &prompter;
  }

  void startProc(double t, std::uint16_t id) { add(t, EventKind::START_PROC, id, 0); }
  void endProc(double t, std::uint16_t id) { add(t, EventKind::END_PROC, id, 0); }
  void startIrq(double t, std::uint32_t n) { add(t, EventKind::START_IRQ, 0, n); }
  void endIrq(double t, std::uint32_t n) { add(t, EventKind::END_IRQ, 0, n); }
  void lock(double t, bool locked) { add(t, EventKind::SET_IRQ_LEVEL, 0, locked ? 0x83u : 0x03u); }
  void clockTo(double t, double mhz) {
    engine.append(TraceEvent(t, 0, EventKind::CLK_SPEED, 0, 0, mhz, 0));
  }
  void add(double t, EventKind kind, std::uint16_t id, std::uint32_t number) {
    engine.append(TraceEvent(t, id, kind, number, 0, 0.0, 0));
  }
  void analyseAll() { engine.analyse(TimeWindow::wholeTrace()); }
  const ProcessStats& stats(std::uint32_t entry) {
    const ProcessStats* record = engine.find(entry);
    EXPECT_NE(record, nullptr) << "no record for entry " << entry;
    static const ProcessStats none;
    return record != nullptr ? *record : none;
  }

  std::ostringstream console;
  RecordingPrompter prompter;
  AnalysisContext context;
  StatisticsEngine engine{context};
};

}  // namespace kelvor::test
