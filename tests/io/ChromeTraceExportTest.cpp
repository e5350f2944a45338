#include "io/ChromeTraceExport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <tuple>

#include "common/JsonText.h"
#include "session/Session.h"
#include "settings/SettingsBackend.h"
#include "views/TimelineSnapshot.h"

namespace kelvor::test {
namespace {

using Json = nlohmann::json;

constexpr std::uint16_t Outer = 0x0101;   // a process
constexpr std::uint16_t Inner = 0x00FE;   // a task nested in it
constexpr std::uint16_t Orphan = 0x0102;  // ends without its start: an Undefined stretch
constexpr std::uint32_t Irq = 3;
constexpr std::uint32_t IrqEntry = InterruptIdBase + Irq;

// A session with a small nested trace: the process runs from 1 to 4 s, interrupted by an
// interrupt (2-2.5 s) and a task (3-3.5 s); the clock changes inside the process, a mark is set
// inside the interrupt and one at the top level, and one entry only ends.
class ChromeTraceExportTest : public ::testing::Test {
 protected:
  ChromeTraceExportTest() {
    session.analysis.console = nullptr;
    session.engine = std::make_unique<StatisticsEngine>(session.analysis);
    session.settings.Set("clkspeedstart", "26");
    path = (std::filesystem::temp_directory_path() /
            ("kelvor-chrome-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".json"))
               .string();
  }
  ~ChromeTraceExportTest() override { std::filesystem::remove(path); }

  void add(double t, EventKind kind, std::uint16_t id, std::uint32_t number = 0, double mhz = 0.0) {
    session.engine->append(TraceEvent(t, id, kind, number, 0, mhz, 0));
  }
  void nestedTrace() {
    add(1.0, EventKind::START_PROC, Outer);
    add(1.5, EventKind::CLK_SPEED, 0, 0, 52.0);
    add(2.0, EventKind::START_IRQ, 0, Irq);
    add(2.25, EventKind::USER_MARK, 7);
    add(2.5, EventKind::END_IRQ, 0, Irq);
    add(3.0, EventKind::START_PROC, Inner);
    add(3.5, EventKind::END_PROC, Inner);
    add(4.0, EventKind::END_PROC, Outer);
    add(4.5, EventKind::END_PROC, Orphan);
    add(5.0, EventKind::USER_MARK, 9);
    session.processTable.store("P_OUTER", Outer, 0x100, OriginIdList);
    session.processTable.store("T_INNER", Inner, 0x100, OriginIdList);
    session.engine->analyse(TimeWindow::wholeTrace());
  }

  Json exported(const ChromeTraceOptions& options = {}) {
    const TimelineSnapshot snapshot(session);
    EXPECT_TRUE(writeChromeTrace(snapshot.result(), snapshot.tracks(), path, options));
    std::ifstream in(path, std::ios::binary);
    return Json::parse(in);  // throws, failing the test, on anything that is not valid JSON
  }

  // The events of one phase, in file order.
  static std::vector<Json> events(const Json& file, const char* phase) {
    std::vector<Json> found;
    for (const Json& event : file.at("traceEvents")) {
      if (event.at("ph") == phase) {
        found.push_back(event);
      }
    }
    return found;
  }
  // (ts, dur) of the complete events of one entry, Running ones or Undefined ones.
  using Span = std::pair<double, double>;
  static std::vector<Span> spans(const Json& file, std::uint32_t entry, bool undefined) {
    std::vector<Span> found;
    for (const Json& event : events(file, "X")) {
      if (event.at("tid") == entry && event.contains("cat") == undefined) {
        found.emplace_back(event.at("ts").get<double>(), event.at("dur").get<double>());
      }
    }
    return found;
  }
  static Span micro(double from, double to) { return {from * 1e6, to * 1e6 - from * 1e6}; }

  MemorySettingsBackend backend;
  Session session{backend};
  std::string path;
};

TEST_F(ChromeTraceExportTest, EveryRunningStretchIsOneCompleteEventOnItsEntrysTrack) {
  nestedTrace();
  const Json file = exported();
  EXPECT_EQ(file.at("displayTimeUnit"), "ns");

  // Against the walk: every Running stretch once, with its exact times, nothing of the
  // Interrupted ones; every Undefined stretch as an "undefined" event.
  TimeStepWalk walk(*session.engine);
  const TimeStepResult& result = walk.run(26.0);
  ASSERT_EQ(result.rows.size(), 4u);
  for (const EntrySegments& row : result.rows) {
    std::vector<Span> running;
    std::vector<Span> undefined;
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (row.state(i) == SegmentState::Running) {
        running.push_back(micro(row.from(i), row.to(i)));
      } else if (row.state(i) == SegmentState::Undefined) {
        undefined.push_back(micro(row.from(i), row.to(i)));
      }
    }
    EXPECT_EQ(spans(file, row.entry(), false), running) << row.entry();
    EXPECT_EQ(spans(file, row.entry(), true), undefined) << row.entry();
  }
  // The nesting as the chart shows it.
  EXPECT_EQ(spans(file, Outer, false),
            (std::vector<Span>{micro(1.0, 2.0), micro(2.5, 3.0), micro(3.5, 4.0)}));
  EXPECT_EQ(spans(file, IrqEntry, false), (std::vector<Span>{micro(2.0, 2.5)}));
  EXPECT_EQ(spans(file, Orphan, true), (std::vector<Span>{micro(1.0, 4.5)}));
  EXPECT_EQ(events(file, "X").size(), 6u);

  // Tracks: group by entry class, the statistics table's id text and name, the chart row.
  std::map<std::pair<std::string, std::uint32_t>, Json> metadata;  // (kind, tid) -> event
  for (const Json& event : events(file, "M")) {
    metadata[{event.at("name").get<std::string>(), event.at("tid").get<std::uint32_t>()}] = event;
  }
  auto meta = [&](const char* kind, const Json& tid) -> const Json& {
    return metadata[{kind, tid.get<std::uint32_t>()}];
  };
  const std::tuple<std::uint32_t, std::uint32_t, const char*, std::uint32_t> tracks[] = {
      {Inner, TaskClass, "0x00FE T_INNER", 0},
      {Outer, ProcessClass, "0x0101 P_OUTER", 1},
      {Orphan, ProcessClass, "0x0102 unknown ID", 2},
      {IrqEntry, InterruptClass, "0x03 unknown ID", 3}};
  for (const auto& [entry, group, name, row] : tracks) {
    EXPECT_EQ(meta("thread_name", entry).at("pid"), group) << name;
    EXPECT_EQ(meta("thread_name", entry).at("args").at("name"), name);
    EXPECT_EQ(meta("thread_sort_index", entry).at("args").at("sort_index"), row) << name;
  }
  for (const Json& event : events(file, "X")) {
    EXPECT_EQ(event.at("pid"), meta("thread_name", event.at("tid")).at("pid"));
  }
  std::map<std::uint32_t, std::string> groups;
  for (const Json& event : events(file, "M")) {
    if (event.at("name") == "process_name") {
      groups[event.at("pid").get<std::uint32_t>()] = event.at("args").at("name").get<std::string>();
    }
  }
  EXPECT_EQ(groups, (std::map<std::uint32_t, std::string>{{ProcessClass, "Processes"},
                                                          {TaskClass, "Tasks"},
                                                          {InterruptClass, "Interrupts"},
                                                          {InterruptClass + 1, "Clock"}}));

  // Marks as global instants, the clock curve as a counter.
  std::vector<std::pair<std::string, double>> marks;
  for (const Json& mark : events(file, "i")) {
    EXPECT_EQ(mark.at("s"), "g");
    marks.emplace_back(mark.at("name").get<std::string>(), mark.at("ts").get<double>());
  }
  EXPECT_EQ(marks,
            (std::vector<std::pair<std::string, double>>{{"Mark 7", 2.25e6}, {"Mark 9", 5.0e6}}));
  std::vector<std::pair<double, double>> clock;
  for (const Json& sample : events(file, "C")) {
    clock.emplace_back(sample.at("ts").get<double>(), sample.at("args").at("MHz").get<double>());
  }
  EXPECT_EQ(clock,
            (std::vector<std::pair<double, double>>{{0.0, 26.0}, {1.5e6, 52.0}, {5.0e6, 52.0}}));
}

TEST_F(ChromeTraceExportTest, AWindowKeepsWhatLiesInsideClippedToIt) {
  nestedTrace();
  const Json file = exported(ChromeTraceOptions{TimeWindow{2.25, 3.75}, nullptr});
  EXPECT_EQ(spans(file, Outer, false), (std::vector<Span>{micro(2.5, 3.0), micro(3.5, 3.75)}));
  EXPECT_EQ(spans(file, IrqEntry, false), (std::vector<Span>{micro(2.25, 2.5)}));
  EXPECT_EQ(spans(file, Inner, false), (std::vector<Span>{micro(3.0, 3.5)}));
  EXPECT_EQ(spans(file, Orphan, true), (std::vector<Span>{micro(2.25, 3.75)}));
  const std::vector<Json> marks = events(file, "i");
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0].at("name"), "Mark 7");
  // The clock held at the window's start, and no change after its end.
  const std::vector<Json> clock = events(file, "C");
  ASSERT_EQ(clock.size(), 1u);
  EXPECT_EQ(clock[0].at("ts"), 2.25e6);
  EXPECT_EQ(clock[0].at("args").at("MHz"), 52.0);
}

TEST_F(ChromeTraceExportTest, NamesFromUserFilesAndBrokenTimesStillGiveValidJson) {
  session.processTable.store("say \"hi\"\\ \x01\t\n\x7f \xE4 \xC3\xA9", Outer, 0x100, OriginIdList);
  add(1.0, EventKind::START_PROC, Outer);
  add(std::numeric_limits<double>::quiet_NaN(), EventKind::USER_MARK, 4);
  add(2.0, EventKind::START_PROC, Inner);
  add(std::numeric_limits<double>::infinity(), EventKind::END_PROC, Inner);
  add(3.0, EventKind::END_PROC, Outer);
  const Json file = exported();
  bool named = false;
  for (const Json& event : events(file, "M")) {
    if (event.at("name") == "thread_name" && event.at("tid") == Outer) {
      EXPECT_EQ(event.at("args").at("name"),
                "0x0101 say \"hi\"\\ \x01\t\n\x7f \xEF\xBF\xBD \xC3\xA9");
      named = true;
    }
  }
  EXPECT_TRUE(named);
  // The stretches and the mark without a finite time are left out, the others stay.
  EXPECT_TRUE(events(file, "i").empty());
  EXPECT_TRUE(spans(file, Inner, false).empty());
  EXPECT_EQ(spans(file, Outer, false).size(), 1u);
}

TEST_F(ChromeTraceExportTest, AnUnwritablePathFailsAndLeavesNoFile) {
  nestedTrace();
  const TimelineSnapshot snapshot(session);
  const std::string missing = path + ".dir/out.json";
  EXPECT_FALSE(writeChromeTrace(snapshot.result(), snapshot.tracks(), missing));
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace kelvor::test
