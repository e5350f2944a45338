#include "io/StatisticsReport.h"

#include <array>

#include "common/JsonText.h"
#include "views/StatisticsColumns.h"

namespace kelvor {
namespace {

template <auto Field>
double fieldValue(const ProcessStats& stats) {
  return static_cast<double>(stats.*Field);
}

constexpr std::array<StatisticsField, 18> Fields{{
    {"calls", fieldValue<&ProcessStats::calls>},
    {"totalWithInt", fieldValue<&ProcessStats::totalWithInt>},
    {"totalWithoutInt", fieldValue<&ProcessStats::totalWithoutInt>},
    {"minWithInt", fieldValue<&ProcessStats::minWithInt>},
    {"minWithoutInt", fieldValue<&ProcessStats::minWithoutInt>},
    {"maxWithInt", fieldValue<&ProcessStats::maxWithInt>},
    {"maxWithoutInt", fieldValue<&ProcessStats::maxWithoutInt>},
    {"totalNested", fieldValue<&ProcessStats::totalNested>},
    {"maxNested", fieldValue<&ProcessStats::maxNested>},
    {"minNested", fieldValue<&ProcessStats::minNested>},
    {"minClock", fieldValue<&ProcessStats::minClock>},
    {"maxClock", fieldValue<&ProcessStats::maxClock>},
    {"meanClock", fieldValue<&ProcessStats::meanClock>},
    {"clockTime", fieldValue<&ProcessStats::clockTime>},
    {"actTim", fieldValue<&ProcessStats::actTim>},
    {"gotTim", fieldValue<&ProcessStats::gotTim>},
    {"sendMes", fieldValue<&ProcessStats::sendMes>},
    {"receMes", fieldValue<&ProcessStats::receMes>},
}};

template <auto Field>
double figure(const DurationDistribution& d) {
  return static_cast<double>(d.*Field);
}

constexpr std::array<DistributionField, 10> DistributionFields{{
    {"count", figure<&DurationDistribution::count>},
    {"mean", figure<&DurationDistribution::mean>},
    {"stddev", figure<&DurationDistribution::stddev>},
    {"min", figure<&DurationDistribution::min>},
    {"p50", figure<&DurationDistribution::p50>},
    {"p90", figure<&DurationDistribution::p90>},
    {"p99", figure<&DurationDistribution::p99>},
    {"p999", figure<&DurationDistribution::p999>},
    {"max", figure<&DurationDistribution::max>},
    {"zeros", figure<&DurationDistribution::zeros>},
}};

void appendKey(std::string& out, const char* key) {
  appendJsonString(out, key);
  out += ':';
}

void appendDistribution(std::string& out, const DurationDistribution& d) {
  out += '{';
  for (const DistributionField& field : DistributionFields) {
    appendKey(out, field.key);
    appendJsonNumber(out, field.value(d));
    out += ',';
  }
  appendKey(out, "histogram");
  out += '[';
  for (std::size_t i = 0; i < d.bins.size(); ++i) {
    out += i == 0 ? "{" : ",{";
    appendKey(out, "lower");
    appendJsonNumber(out, d.bins[i].lower);
    out += ',';
    appendKey(out, "upper");
    appendJsonNumber(out, d.bins[i].upper);
    out += ',';
    appendKey(out, "count");
    appendJsonInteger(out, d.bins[i].count);
    out += '}';
  }
  out += "]}";
}

// The members of an entry's object, without the braces.
void appendEntryMembers(std::string& out, const ReportEntry& e) {
  appendKey(out, "id");
  appendJsonInteger(out, e.stats.id);
  out += ',';
  appendKey(out, "idText");
  appendJsonString(out, e.idText);
  out += ',';
  appendKey(out, "name");
  appendJsonString(out, e.name);
  out += ',';
  appendKey(out, "class");
  appendJsonString(out, entryClassKey(e.stats.entryClass));
  out += ',';
  appendKey(out, "priority");
  appendJsonInteger(out, e.priority);
  out += ',';
  appendKey(out, "runTimePercent");
  appendJsonNumber(out, e.runTimePercent);
  for (const StatisticsField& field : Fields) {
    out += ',';
    appendKey(out, field.key);
    appendJsonNumber(out, field.value(e.stats));
  }
  if (e.distribution) {
    out += ',';
    appendKey(out, "net");
    appendDistribution(out, e.distribution->net);
    out += ',';
    appendKey(out, "gross");
    appendDistribution(out, e.distribution->gross);
  }
}

// The trace's members, without the braces and the entries.
void appendTraceMembers(std::string& out, const StatisticsReport& r, bool flatWindow) {
  appendKey(out, "file");
  appendJsonString(out, r.file);
  out += ',';
  if (flatWindow) {
    appendKey(out, "windowStart");
    appendJsonNumber(out, r.windowStart);
    out += ',';
    appendKey(out, "windowEnd");
    appendJsonNumber(out, r.windowEnd);
  } else {
    appendKey(out, "window");
    out += '{';
    appendKey(out, "start");
    appendJsonNumber(out, r.windowStart);
    out += ',';
    appendKey(out, "end");
    appendJsonNumber(out, r.windowEnd);
    out += ',';
    appendKey(out, "span");
    appendJsonNumber(out, r.windowEnd - r.windowStart);
    out += '}';
  }
  out += ',';
  appendKey(out, "events");
  appendJsonInteger(out, r.events);
  out += ',';
  appendKey(out, "version");
  appendJsonString(out, r.version);
}

}  // namespace

std::string tsvCell(std::string_view text) {
  std::string cell(text);
  for (char& c : cell) {
    if (c == '\t' || c == '\n' || c == '\r') {
      c = ' ';
    }
  }
  return cell;
}

std::span<const StatisticsField> statisticsFields() {
  return Fields;
}

std::span<const DistributionField> distributionFields() {
  return DistributionFields;
}

const char* entryClassKey(std::uint32_t entryClass) {
  switch (entryClass) {
    case ProcessClass:
      return "process";
    case TaskClass:
      return "task";
    case HisrClass:
      return "hisr";
    case InterruptClass:
      return "interrupt";
    default:
      return "other";
  }
}

StatisticsReport makeStatisticsReport(const StatisticsEngine& engine, const ProcessTable& names,
                                      std::string file, std::string version,
                                      const ActivationDurations* durations) {
  StatisticsReport report;
  report.file = std::move(file);
  report.version = std::move(version);
  report.windowStart = engine.windowStart();
  report.windowEnd = engine.windowEnd();
  report.events = engine.stream().size();
  report.distributions = durations != nullptr;
  report.entries.reserve(engine.statistics().size());
  const StatisticsColumn& idColumn = statisticsColumn(StatisticsColumnId::EntryId);
  for (const auto& [id, stats] : engine.statistics()) {
    ReportEntry& e = report.entries.emplace_back();
    e.stats = stats;
    e.name = names.entryName(id);
    appendFileField(e.idText, idColumn, StatisticsEntry{stats, e.name, engine.windowSpan()});
    e.priority = names.priorityOf(id);
    e.runTimePercent = runTimePercent(stats, engine.windowSpan());
    if (durations != nullptr) {
      static const ActivationDurations::Series none;
      const ActivationDurations::Series* series = durations->find(id);
      e.distribution = distributionsOf(stats, series != nullptr ? *series : none);
    }
  }
  return report;
}

std::string reportJson(const StatisticsReport& report) {
  std::string out = "{";
  appendTraceMembers(out, report, false);
  out += ",\n\"entries\":[";
  for (std::size_t i = 0; i < report.entries.size(); ++i) {
    out += i == 0 ? "\n{" : ",\n{";
    appendEntryMembers(out, report.entries[i]);
    out += '}';
  }
  out += "\n]}\n";
  return out;
}

std::string reportJsonLines(const StatisticsReport& report) {
  std::string out;
  for (const ReportEntry& entry : report.entries) {
    out += '{';
    appendTraceMembers(out, report, true);
    out += ',';
    appendEntryMembers(out, entry);
    out += "}\n";
  }
  return out;
}

std::string reportTsv(const StatisticsReport& report) {
  std::string out = "id\tidText\tname\tclass\tpriority\trunTimePercent";
  for (const StatisticsField& field : Fields) {
    out += '\t';
    out += field.key;
  }
  if (report.distributions) {
    for (const char* side : {"net", "gross"}) {
      for (const DistributionField& field : DistributionFields) {
        out += '\t';
        out += side;
        out += '.';
        out += field.key;
      }
    }
  }
  out += '\n';
  for (const ReportEntry& e : report.entries) {
    appendJsonInteger(out, e.stats.id);
    out += '\t' + tsvCell(e.idText) + '\t' + tsvCell(e.name) + '\t' +
           entryClassKey(e.stats.entryClass) + '\t';
    appendJsonInteger(out, e.priority);
    out += '\t';
    appendJsonNumber(out, e.runTimePercent);
    for (const StatisticsField& field : Fields) {
      out += '\t';
      appendJsonNumber(out, field.value(e.stats));
    }
    if (report.distributions && e.distribution) {
      for (const DurationDistribution* d : {&e.distribution->net, &e.distribution->gross}) {
        for (const DistributionField& field : DistributionFields) {
          out += '\t';
          appendJsonNumber(out, field.value(*d));
        }
      }
    }
    out += '\n';
  }
  return out;
}

}  // namespace kelvor
