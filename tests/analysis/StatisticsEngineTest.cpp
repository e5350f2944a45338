#include "analysis/StatisticsEngine.h"

#include <gtest/gtest.h>

#include <cmath>

#include "EngineFixture.h"

namespace kelvor {
namespace {

using Engine = test::EngineFixture;

TEST_F(Engine, NestedInterruptIsSubtractedFromTheProcess) {
  engine.setCurrentClock(26.0);
  startProc(0.0, 1);
  startIrq(1.0, 3);
  endIrq(1.5, 3);
  endProc(4.0, 1);
  analyseAll();

  EXPECT_EQ(engine.windowSpan(), 4.0);
  const ProcessStats& p = stats(1);
  EXPECT_EQ(p.calls, 1u);
  EXPECT_DOUBLE_EQ(p.totalWithInt, 4.0);
  EXPECT_DOUBLE_EQ(p.totalWithoutInt, 3.5);
  EXPECT_DOUBLE_EQ(p.minWithInt, 4.0);
  EXPECT_DOUBLE_EQ(p.maxWithoutInt, 3.5);
  EXPECT_EQ(p.totalNested, 1u);
  EXPECT_EQ(p.minNested, 1u);
  EXPECT_EQ(p.maxNested, 1u);
  EXPECT_DOUBLE_EQ(p.meanClock, 26.0);
  EXPECT_DOUBLE_EQ(p.minClock, 26.0);
  EXPECT_DOUBLE_EQ(p.maxClock, 26.0);

  const ProcessStats& irq = stats(0x10003);
  EXPECT_EQ(irq.calls, 1u);
  EXPECT_DOUBLE_EQ(irq.totalWithInt, 0.5);
  EXPECT_DOUBLE_EQ(irq.totalWithoutInt, 0.5);
  EXPECT_EQ(irq.totalNested, 0u);
  EXPECT_EQ(irq.minNested, 0u);
  EXPECT_EQ(console.str(), "");
}

TEST_F(Engine, WindowClipsActivationsButNotClockStretches) {
  engine.setCurrentClock(26.0);
  startProc(0.0, 1);
  startIrq(1.0, 3);
  endIrq(1.5, 3);
  endProc(4.0, 1);
  engine.analyse({2.0, 3.0});

  EXPECT_EQ(engine.windowSpan(), 1.0);
  const ProcessStats& irq = stats(0x10003);
  EXPECT_EQ(irq.calls, 0u) << "ended before the window";
  EXPECT_EQ(irq.totalWithInt, 0.0);

  const ProcessStats& p = stats(1);
  EXPECT_EQ(p.calls, 1u);
  EXPECT_DOUBLE_EQ(p.totalWithInt, 1.0);
  EXPECT_DOUBLE_EQ(p.totalWithoutInt, 1.0);
  EXPECT_EQ(p.totalNested, 1u);
  EXPECT_DOUBLE_EQ(p.meanClock, 65.0);

  // Analysing the whole trace again restores the unclipped figures.
  analyseAll();
  EXPECT_DOUBLE_EQ(stats(1).totalWithoutInt, 3.5);
  EXPECT_EQ(stats(0x10003).calls, 1u);
}

TEST_F(Engine, WindowIsClippedToTheStream) {
  struct Case {
    double from, to, start, end;
  };
  startProc(1.0, 1);
  endProc(5.0, 1);
  const Case cases[] = {{-1.0, 1.0e30, 1.0, 5.0}, {2.0, 3.0, 2.0, 3.0}, {0.0, 9.0, 1.0, 5.0}};
  for (const Case& c : cases) {
    engine.analyse({c.from, c.to});
    EXPECT_EQ(engine.windowStart(), c.start);
    EXPECT_EQ(engine.windowEnd(), c.end);
    EXPECT_EQ(engine.windowSpan(), c.end - c.start);
  }
  // An activation entirely after the window is not charged.
  engine.analyse({-5.0, 0.5});
  EXPECT_EQ(stats(1).calls, 0u);
}

TEST_F(Engine, EmptyStreamGivesAnEmptyWindow) {
  engine.analyse(TimeWindow::wholeTrace());
  EXPECT_EQ(engine.windowStart(), 0.0);
  EXPECT_EQ(engine.windowEnd(), 0.0);
  EXPECT_EQ(engine.windowSpan(), 0.0);
  EXPECT_TRUE(engine.statistics().empty());
}

TEST_F(Engine, MismatchedEndsAreReportedAndSkipped) {
  startProc(0.0, 1);
  startProc(1.0, 2);
  endProc(2.0, 1);  // wrong id inside activation 2
  endIrq(2.5, 4);   // an interrupt end inside a process
  endProc(3.0, 2);
  startIrq(3.5, 5);  // still nested in process 1
  endProc(3.7, 5);   // a process end cannot close an interrupt
  endIrq(3.8, 9);    // any interrupt end closes interrupt 5
  add(4.0, EventKind::USER_MARK, 0, 1);
  analyseAll();

  EXPECT_EQ(console.str(),
            "Falsche pid retour\n"
            "Falsche pid ist hier kein IRQ! retour\n"
            "Falsche pid retour\n");
  EXPECT_DOUBLE_EQ(stats(2).totalWithInt, 2.0);
  EXPECT_DOUBLE_EQ(stats(0x10005).totalWithInt, 0.3);
  EXPECT_EQ(stats(0x10009).calls, 0u);
  // Process 1 stays open and closes at the last event.
  const ProcessStats& p = stats(1);
  EXPECT_EQ(p.calls, 1u);
  EXPECT_DOUBLE_EQ(p.totalWithInt, 4.0);
  EXPECT_DOUBLE_EQ(p.totalWithoutInt, 4.0 - 2.0 - 0.3);
  EXPECT_EQ(p.totalNested, 2u);
}

TEST_F(Engine, UnmatchedEventsAtTopLevelAreIgnored) {
  endProc(0.0, 1);
  endIrq(0.5, 2);
  lock(0.6, true);
  lock(0.7, false);
  add(0.8, EventKind::USER_ENTER, 3, 0);
  add(0.9, EventKind::PSEUDO_PROCESS, 0, 4);
  analyseAll();
  EXPECT_EQ(stats(1).calls, 0u);
  EXPECT_EQ(stats(0x10002).calls, 0u);
  EXPECT_TRUE(engine.locks().periods().empty());
  EXPECT_EQ(console.str(), "");
}

TEST_F(Engine, ClockOfAStretchIsTheClockAtItsEnd) {
  engine.setCurrentClock(26.0);
  startProc(0.0, 1);
  clockTo(2.0, 52.0);
  endProc(4.0, 1);
  analyseAll();
  const ProcessStats& p = stats(1);
  EXPECT_DOUBLE_EQ(p.meanClock, 52.0);
  EXPECT_DOUBLE_EQ(p.minClock, 26.0);
  EXPECT_DOUBLE_EQ(p.maxClock, 52.0);
  EXPECT_EQ(engine.currentClock(), 52.0);
}

TEST_F(Engine, MeanClockWeighsActivationsByNetTime) {
  engine.setCurrentClock(10.0);
  startProc(0.0, 1);
  endProc(1.0, 1);  // 1 s at 10 MHz
  clockTo(1.5, 40.0);
  startProc(2.0, 1);
  startIrq(2.5, 1);  // stretch 2.0..2.5 at 40
  clockTo(2.6, 20.0);
  endIrq(2.7, 1);
  endProc(3.0, 1);  // stretch 2.7..3.0 at 20
  analyseAll();
  const ProcessStats& p = stats(1);
  EXPECT_EQ(p.calls, 2u);
  EXPECT_DOUBLE_EQ(p.totalWithoutInt, 1.8);
  EXPECT_DOUBLE_EQ(p.clockTime, 10.0 + 0.5 * 40.0 + 0.3 * 20.0);
  EXPECT_DOUBLE_EQ(p.meanClock, 36.0 / 1.8);
  EXPECT_DOUBLE_EQ(p.minClock, 10.0);
  EXPECT_DOUBLE_EQ(p.maxClock, 40.0);
  EXPECT_DOUBLE_EQ(stats(0x10001).minClock, 20.0);
  EXPECT_DOUBLE_EQ(stats(0x10001).maxClock, 40.0);
  EXPECT_DOUBLE_EQ(stats(0x10001).meanClock, 20.0);
}

TEST_F(Engine, ZeroNetTimeKeepsMeanClockFinite) {
  engine.setCurrentClock(26.0);
  startProc(1.0, 1);
  endProc(1.0, 1);  // zero length
  startProc(2.0, 2);
  startIrq(2.0, 3);  // covers all of process 2
  endIrq(3.0, 3);
  endProc(3.0, 2);
  analyseAll();
  for (std::uint32_t entry : {1u, 2u}) {
    const ProcessStats& p = stats(entry);
    EXPECT_EQ(p.calls, 1u);
    EXPECT_EQ(p.totalWithoutInt, 0.0);
    EXPECT_TRUE(std::isfinite(p.clockTime)) << entry;
    EXPECT_EQ(p.clockTime, 0.0) << entry;
    EXPECT_EQ(p.meanClock, 26.0) << "the clock in force, entry " << entry;
  }
  // A later activation with net time gives the ordinary weighted mean.
  startProc(4.0, 1);
  endProc(5.0, 1);
  analyseAll();
  EXPECT_EQ(stats(1).meanClock, 26.0);
}

TEST_F(Engine, StartingClockComesFromSettingsOnlyWithAMapping) {
  MemorySettingsBackend backend;
  SettingsStore settings(backend);
  context.settings = &settings;
  startProc(0.0, 1);
  endProc(1.0, 1);

  struct Case {
    bool mapping;
    const char* clkspeedstart;
    double clockBefore;
    double expected;
  };
  const Case cases[] = {
      {true, "104", 13.0, 104.0}, {true, " 52.5", 13.0, 52.5}, {true, "fast", 13.0, 13.0},
      {true, "", 13.0, 13.0},     {false, "104", 13.0, 13.0},
  };
  for (const Case& c : cases) {
    settings = SettingsStore(backend);
    if (c.mapping) {
      settings.Set("mapping", "");
    }
    settings.Set("clkspeedstart", c.clkspeedstart);
    engine.setCurrentClock(c.clockBefore);
    analyseAll();
    EXPECT_EQ(stats(1).meanClock, c.expected)
        << "mapping " << c.mapping << " clkspeedstart '" << c.clkspeedstart << "'";
  }
}

TEST_F(Engine, NestingWarningIsShownOncePerLoad) {
  for (int i = 0; i < 31; ++i) {
    startProc(i, static_cast<std::uint16_t>(100 + i));
  }
  analyseAll();
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].kind, "message");
  EXPECT_EQ(prompter.shown[0].text,
            "Too many nested processes, tasks or Interrupts for tracing [>30]!\n"
            "Trace is truncated.");
  EXPECT_EQ(prompter.shown[0].caption, "Message !");
  EXPECT_EQ(stats(130).calls, 1u) << "the analysis goes on past the warning";

  startProc(40.0, 200);  // a 32nd, and a second analysis
  analyseAll();
  EXPECT_EQ(prompter.shown.size(), 1u);
  EXPECT_TRUE(context.nestingWarned);

  context.nestingWarned = false;  // what a fresh load does
  analyseAll();
  EXPECT_EQ(prompter.shown.size(), 2u);
}

TEST_F(Engine, ThirtyNestedActivationsAreNotWarnedAbout) {
  for (int i = 0; i < 30; ++i) {
    startProc(i, static_cast<std::uint16_t>(100 + i));
  }
  analyseAll();
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(Engine, NewEntriesGetClassRowAndVisibility) {
  struct Case {
    std::uint32_t entry;
    std::uint32_t entryClass;
  };
  const Case cases[] = {{0x12FF, 2}, {0xC0FF, 3}, {0xBFFF, 2},  {0xF9FF, 3}, {0xFAFF, 2},
                        {0x8CFF, 3}, {0x8FFF, 3}, {0x8BFF, 2},  {0x00FD, 3}, {0x00FE, 2},
                        {0x01FE, 1}, {0x0105, 1}, {0x10007, 5}, {0x10000, 5}};
  std::uint32_t row = 0;
  for (const Case& c : cases) {
    if (c.entry >= InterruptIdBase) {
      startIrq(1.0, c.entry - InterruptIdBase);
    } else {
      startProc(1.0, static_cast<std::uint16_t>(c.entry));
    }
    const ProcessStats& record = stats(c.entry);
    EXPECT_EQ(record.entryClass, c.entryClass) << std::hex << c.entry;
    EXPECT_EQ(record.row, ++row);
    EXPECT_EQ(record.visible, 1);
  }
  // A second event of a known entry changes nothing.
  endProc(2.0, 0x0105);
  EXPECT_EQ(stats(0x0105).row, 12u);
  EXPECT_EQ(context.registeredEntries, row);
}

TEST_F(Engine, RowCounterOutlivesTheEngine) {
  startProc(0.0, 5);
  {
    StatisticsEngine second(context);
    second.append(TraceEvent(0.0, 6, EventKind::END_PROC, 0, 0, 0.0, 0));
    EXPECT_EQ(second.find(6)->row, 2u);
  }
  EXPECT_EQ(stats(5).row, 1u);
}

TEST_F(Engine, RecordsCreatedByTheWalkAreHiddenAndWithoutRow) {
  startProc(0.0, 0);  // process 0 is never registered by append
  endProc(1.0, 0);
  EXPECT_EQ(engine.find(0), nullptr);
  analyseAll();
  const ProcessStats& zero = stats(0);
  EXPECT_EQ(zero.row, NoRow);
  EXPECT_EQ(zero.visible, 0);
  EXPECT_EQ(zero.entryClass, 1u);
  EXPECT_EQ(zero.calls, 1u);
}

TEST_F(Engine, HighInterruptIdsAreChargedAndReported) {
  startIrq(0.0, 0x100);  // entry 0x10100, the highest regular one
  endIrq(1.0, 0x100);
  EXPECT_EQ(console.str(), "");
  startIrq(2.0, 0x101);
  endIrq(3.0, 0x101);
  startIrq(4.0, 0x12345678);  // beyond the dense range of entry ids
  // Once when each record is created...
  EXPECT_EQ(console.str(),
            "Just a pity, Cep-id for interrupt too high\n"
            "Just a pity, Cep-id for interrupt too high\n");
  console.str("");
  analyseAll();  // ...and once for each activation charged.
  EXPECT_EQ(console.str(),
            "Just a pity, Cep-id for interrupt too high\n"
            "Just a pity, Cep-id for interrupt too high\n");
  EXPECT_EQ(stats(0x10101).calls, 1u);
  EXPECT_EQ(stats(0x10000 + 0x12345678).calls, 1u);
  EXPECT_EQ(stats(0x10000 + 0x12345678).entryClass, 5u);
}

TEST_F(Engine, ResetKeepsIdentityAndClearsFigures) {
  startProc(0.0, 0x00FD);
  endProc(2.0, 0x00FD);
  analyseAll();
  ProcessStats& record = engine.statsFor(0x00FD);
  record.userActive = 1;
  record.visible = 0;  // as the visible-process selection may set it
  engine.resetStatistics();
  const ProcessStats fresh;
  EXPECT_EQ(record.userActive, 0);
  EXPECT_EQ(record.id, 0x00FDu);
  EXPECT_EQ(record.row, 1u);
  EXPECT_EQ(record.visible, 0);
  EXPECT_EQ(record.entryClass, 3u);
  EXPECT_EQ(record.calls, 0u);
  EXPECT_EQ(record.totalWithInt, 0.0);
  EXPECT_EQ(record.minWithInt, fresh.minWithInt);
  EXPECT_EQ(record.minNested, 999999u);
  EXPECT_EQ(record.minClock, 999999.0);
  EXPECT_EQ(record.timB, 99u);
  EXPECT_EQ(record.mesB, 99u);
}

TEST_F(Engine, ClearDropsEventsAndRecords) {
  startProc(0.0, 3);
  engine.clear();
  EXPECT_EQ(engine.stream().size(), 0u);
  EXPECT_TRUE(engine.statistics().empty());
  EXPECT_EQ(engine.find(3), nullptr);
  startProc(1.0, 3);
  EXPECT_EQ(stats(3).row, 2u) << "the counter is never reset";
}

// Deep nesting must not exhaust the call stack: the walk keeps its own stack.
TEST_F(Engine, AMillionStartsWithoutEnds) {
  constexpr int kCount = 1'000'000;
  engine.stream().reserve(kCount);
  for (int i = 0; i < kCount; ++i) {
    startProc(i * 1e-6, 7);
  }
  analyseAll();
  const ProcessStats& p = stats(7);
  EXPECT_EQ(p.calls, static_cast<std::uint32_t>(kCount));
  EXPECT_EQ(p.maxNested, 1u);
  EXPECT_EQ(p.minNested, 0u);
  EXPECT_NEAR(p.maxWithInt, (kCount - 1) * 1e-6, 1e-9);
  EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST_F(Engine, AMillionNestedInterruptsThatAllEnd) {
  constexpr int kCount = 1'000'000;
  for (int i = 0; i < kCount; ++i) {
    startIrq(i, 1);
  }
  for (int i = 0; i < kCount; ++i) {
    endIrq(kCount + i, 1);
  }
  analyseAll();
  const ProcessStats& irq = stats(0x10001);
  EXPECT_EQ(irq.calls, static_cast<std::uint32_t>(kCount));
  EXPECT_EQ(irq.maxWithInt, 2.0 * kCount - 1.0);
  EXPECT_EQ(irq.minWithInt, 1.0);
  EXPECT_EQ(irq.maxWithoutInt, 2.0);
  EXPECT_EQ(irq.minWithoutInt, 1.0);
  EXPECT_EQ(irq.totalNested, static_cast<std::uint32_t>(kCount - 1));
}

}  // namespace
}  // namespace kelvor
