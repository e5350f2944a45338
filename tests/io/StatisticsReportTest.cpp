#include "io/StatisticsReport.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "EngineFixture.h"
#include "io/ReportComparison.h"

namespace kelvor {
namespace {

using nlohmann::json;

// The keys docs/json-output.md promises; a rename breaks every script that reads the output.
const std::set<std::string> TraceKeys{"file", "window", "events", "version", "entries"};
const std::set<std::string> LineTraceKeys{"file", "windowStart", "windowEnd", "events", "version"};
const std::set<std::string> EntryKeys{"id",
                                      "idText",
                                      "name",
                                      "class",
                                      "priority",
                                      "runTimePercent",
                                      "calls",
                                      "totalWithInt",
                                      "totalWithoutInt",
                                      "minWithInt",
                                      "minWithoutInt",
                                      "maxWithInt",
                                      "maxWithoutInt",
                                      "totalNested",
                                      "maxNested",
                                      "minNested",
                                      "minClock",
                                      "maxClock",
                                      "meanClock",
                                      "clockTime",
                                      "actTim",
                                      "gotTim",
                                      "sendMes",
                                      "receMes"};
const std::set<std::string> DistributionKeys{"count", "mean", "stddev", "min",   "p50",      "p90",
                                             "p99",   "p999", "max",    "zeros", "histogram"};

std::set<std::string> keysOf(const json& object) {
  std::set<std::string> keys;
  for (const auto& [key, value] : object.items()) {
    keys.insert(key);
  }
  return keys;
}

std::set<std::string> unite(std::set<std::string> a, const std::set<std::string>& b) {
  a.insert(b.begin(), b.end());
  return a;
}

class StatisticsReportTest : public test::EngineFixture {
 protected:
  StatisticsReportTest() {
    engine.setCurrentClock(26.0);
    // Durations that print with many digits, so that a rounded number shows.
    for (int i = 0; i < 5; ++i) {
      const double t = i * 1e-3 / 3.0;
      startProc(t, 0x0105);
      startIrq(t + 1e-4 / 7.0, 3);
      endIrq(t + 2e-4 / 7.0, 3);
      endProc(t + (i + 1) * 1e-5 / 3.0 + 3e-4 / 7.0, 0x0105);
    }
    names.store("P_\"AUDIO\"\t\x01\xff", 0x0105, 12, OriginIdList);
  }

  StatisticsReport report(bool distributions, TimeWindow window = TimeWindow::wholeTrace()) {
    engine.analyse(window, distributions ? &durations : nullptr);
    return makeStatisticsReport(engine, names, "dir/\"trace\".prn", "1.2.3",
                                distributions ? &durations : nullptr);
  }

  ProcessTable names;
  ActivationDurations durations;
};

TEST_F(StatisticsReportTest, JsonHoldsEveryStatisticExactlyUnderItsDocumentedKey) {
  const StatisticsReport r = report(true);
  const json doc = json::parse(reportJson(r));
  EXPECT_EQ(keysOf(doc), TraceKeys);
  EXPECT_EQ(doc["file"], "dir/\"trace\".prn");
  EXPECT_EQ(doc["events"], engine.stream().size());
  EXPECT_EQ(doc["window"]["span"].get<double>(), engine.windowSpan());
  ASSERT_EQ(doc["entries"].size(), engine.statistics().size());

  for (const json& entry : doc["entries"]) {
    EXPECT_EQ(keysOf(entry), unite(EntryKeys, {"net", "gross"}));
    const ProcessStats& stats = *engine.find(entry["id"].get<std::uint32_t>());
    for (const StatisticsField& field : statisticsFields()) {
      EXPECT_EQ(entry[field.key].get<double>(), field.value(stats)) << field.key;
    }
    for (const char* side : {"net", "gross"}) {
      const json& d = entry[side];
      EXPECT_EQ(keysOf(d), DistributionKeys);
      EXPECT_EQ(d["count"].get<std::uint64_t>(), stats.calls);
      std::uint64_t binned = 0;
      for (const json& bin : d["histogram"]) {
        binned += bin["count"].get<std::uint64_t>();
      }
      EXPECT_EQ(binned + d["zeros"].get<std::uint64_t>(), stats.calls);
    }
    EXPECT_EQ(entry["net"]["max"].get<double>(), stats.maxWithoutInt);
    EXPECT_EQ(entry["gross"]["max"].get<double>(), stats.maxWithInt);
  }
  const json& process = doc["entries"][0];
  EXPECT_EQ(process["idText"], "0105");
  EXPECT_EQ(process["class"], "process");
  EXPECT_EQ(process["priority"], 12);
  // Quote and tab escaped, the control character kept as \u0001, the stray byte replaced.
  EXPECT_EQ(process["name"], "P_\"AUDIO\"\t\x01\xEF\xBF\xBD");
  EXPECT_EQ(doc["entries"][1]["class"], "interrupt");
}

TEST_F(StatisticsReportTest, JsonLinesAndTsvCarryOneEntryALine) {
  const StatisticsReport r = report(true);
  std::istringstream lines(reportJsonLines(r));
  std::string line;
  std::size_t count = 0;
  while (std::getline(lines, line)) {
    const json entry = json::parse(line);
    EXPECT_EQ(keysOf(entry), unite(unite(EntryKeys, LineTraceKeys), {"net", "gross"}));
    EXPECT_EQ(entry["version"], "1.2.3");
    ++count;
  }
  EXPECT_EQ(count, r.entries.size());

  // Without distributions the objects have none; the TSV has as many cells in every line as
  // names in its header, the name's tab included.
  EXPECT_EQ(keysOf(json::parse(reportJson(report(false)))["entries"][0]), EntryKeys);
  std::istringstream tsv(reportTsv(report(true)));
  std::getline(tsv, line);
  const auto cells = [](const std::string& text) {
    return std::count(text.begin(), text.end(), '\t');
  };
  const auto headerCells = cells(line);
  EXPECT_EQ(headerCells + 1,
            static_cast<long>(EntryKeys.size() + 2 * (DistributionKeys.size() - 1)));
  while (std::getline(tsv, line)) {
    EXPECT_EQ(cells(line), headerCells) << line;
  }
}

TEST_F(StatisticsReportTest, ComparisonMatchesEntriesAndFindsGrowth) {
  const StatisticsReport whole = report(true);
  // The window holds the first activations only: shares and maxima differ, and the interrupt of
  // a report with an entry removed shows as present on one side.
  StatisticsReport early = report(true, {0.0, 0.5e-3});
  const ReportComparison same = compareReports(whole, whole);
  for (const EntryComparison& e : same.entries) {
    EXPECT_EQ(e.presence, EntryPresence::Both);
    EXPECT_EQ(growthBeyond(e, 0.0), "");
  }
  early.entries.pop_back();  // the interrupt
  const ReportComparison c = compareReports(early, whole);
  ASSERT_EQ(c.entries.size(), 2u);
  const EntryComparison& irq = c.entries[0].id == 0x0105 ? c.entries[1] : c.entries[0];
  const EntryComparison& proc = c.entries[0].id == 0x0105 ? c.entries[0] : c.entries[1];
  EXPECT_EQ(irq.presence, EntryPresence::OnlyFile);
  EXPECT_EQ(growthBeyond(irq, 1000.0), "runs only in the file");
  EXPECT_EQ(compareReports(whole, early).entries[0].presence, EntryPresence::OnlyBaseline);

  const FigurePair& max = proc.figure(ComparedFigure::Max);
  EXPECT_GT(max.file, max.baseline);
  ASSERT_TRUE(max.growthPercent().has_value());
  const double growth = *max.growthPercent();
  EXPECT_NE(growthBeyond(proc, growth - 1.0).find("max grew by"), std::string::npos);
  EXPECT_EQ(growthBeyond(proc, growth + 1.0).find("max"), std::string::npos);
  EXPECT_EQ(proc.figure(ComparedFigure::Calls).baseline, 2.0);
  EXPECT_EQ(proc.figure(ComparedFigure::Calls).file, 5.0);

  const json doc = json::parse(comparisonJson(c));
  EXPECT_EQ(doc["entries"].size(), 2u);
  EXPECT_TRUE(doc["entries"][irq.id == c.entries[0].id ? 0 : 1]["share"]["ratio"].is_null());
}

}  // namespace
}  // namespace kelvor
