#include "io/ReportComparison.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "common/JsonText.h"
#include "common/TextFormat.h"

namespace kelvor {
namespace {

constexpr std::array<ComparedFigure, ComparedFigureCount> AllFigures{
    ComparedFigure::Share, ComparedFigure::Calls, ComparedFigure::Mean, ComparedFigure::P99,
    ComparedFigure::Max};

// The compared figures of one entry of one run.
std::array<double, ComparedFigureCount> figuresOf(const ReportEntry& e) {
  std::array<double, ComparedFigureCount> f{};
  f[static_cast<std::size_t>(ComparedFigure::Share)] = e.runTimePercent;
  f[static_cast<std::size_t>(ComparedFigure::Calls)] = e.stats.calls;
  if (e.distribution) {
    f[static_cast<std::size_t>(ComparedFigure::Mean)] = e.distribution->net.mean;
    f[static_cast<std::size_t>(ComparedFigure::P99)] = e.distribution->net.p99;
    f[static_cast<std::size_t>(ComparedFigure::Max)] = e.distribution->net.max;
  }
  return f;
}

// The columns of the table and the TSV: "<figure> <part>".
constexpr std::array<const char*, 4> Parts{"baseline", "file", "difference", "ratio"};
// Their short forms in the headers of the text table, which is wide enough as it is.
constexpr std::array<const char*, 4> ShortParts{"base", "file", "diff", "ratio"};

std::optional<double> partOf(const FigurePair& pair, std::size_t part) {
  switch (part) {
    case 0:
      return pair.baseline;
    case 1:
      return pair.file;
    case 2:
      return pair.difference();
    default:
      return pair.ratio();
  }
}

std::string shortNumber(std::optional<double> value) {
  if (!value) {
    return "-";
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6g", *value);
  return buffer;
}

void appendFullNumber(std::string& out, std::optional<double> value, const char* none) {
  if (value) {
    appendJsonNumber(out, *value);
  } else {
    out += none;
  }
}

void appendEntryJson(std::string& out, const EntryComparison& e) {
  out += "\"id\":";
  appendJsonInteger(out, e.id);
  out += ",\"idText\":";
  appendJsonString(out, e.idText);
  out += ",\"name\":";
  appendJsonString(out, e.name);
  out += ",\"class\":";
  appendJsonString(out, entryClassKey(e.entryClass));
  out += ",\"presence\":";
  appendJsonString(out, entryPresenceKey(e.presence));
  for (const ComparedFigure f : AllFigures) {
    out += ',';
    appendJsonString(out, comparedFigureKey(f));
    out += ":{";
    for (std::size_t part = 0; part < Parts.size(); ++part) {
      if (part > 0) {
        out += ',';
      }
      appendJsonString(out, Parts[part]);
      out += ':';
      appendFullNumber(out, partOf(e.figure(f), part), "null");
    }
    out += '}';
  }
}

void appendFilesJson(std::string& out, const ReportComparison& c) {
  out += "\"baseline\":";
  appendJsonString(out, c.baselineFile);
  out += ",\"file\":";
  appendJsonString(out, c.file);
}

}  // namespace

const char* comparedFigureKey(ComparedFigure figure) {
  switch (figure) {
    case ComparedFigure::Share:
      return "share";
    case ComparedFigure::Calls:
      return "calls";
    case ComparedFigure::Mean:
      return "mean";
    case ComparedFigure::P99:
      return "p99";
    case ComparedFigure::Max:
      return "max";
  }
  return "";
}

const char* entryPresenceKey(EntryPresence presence) {
  switch (presence) {
    case EntryPresence::Both:
      return "both";
    case EntryPresence::OnlyBaseline:
      return "baseline";
    case EntryPresence::OnlyFile:
      return "file";
  }
  return "";
}

std::optional<double> FigurePair::ratio() const {
  if (baseline == 0.0) {
    return std::nullopt;
  }
  return file / baseline;
}

std::optional<double> FigurePair::growthPercent() const {
  if (baseline == 0.0) {
    return std::nullopt;
  }
  return (file - baseline) / baseline * 100.0;
}

ReportComparison compareReports(const StatisticsReport& baseline, const StatisticsReport& file) {
  ReportComparison c;
  c.baselineFile = baseline.file;
  c.file = file.file;
  std::map<std::uint32_t, EntryComparison> byId;
  const auto take = [&](const ReportEntry& e, bool isBaseline) {
    auto [it, created] = byId.try_emplace(e.stats.id);
    EntryComparison& entry = it->second;
    if (created) {
      entry.id = e.stats.id;
      entry.idText = e.idText;
      entry.name = e.name;
      entry.entryClass = e.stats.entryClass;
      entry.presence = isBaseline ? EntryPresence::OnlyBaseline : EntryPresence::OnlyFile;
    } else {
      entry.presence = EntryPresence::Both;
    }
    const auto values = figuresOf(e);
    for (std::size_t i = 0; i < values.size(); ++i) {
      (isBaseline ? entry.figures[i].baseline : entry.figures[i].file) = values[i];
    }
  };
  for (const ReportEntry& e : baseline.entries) {
    take(e, true);
  }
  for (const ReportEntry& e : file.entries) {
    take(e, false);
  }
  c.entries.reserve(byId.size());
  for (auto& [id, entry] : byId) {
    c.entries.push_back(std::move(entry));
  }
  std::stable_sort(c.entries.begin(), c.entries.end(),
                   [](const EntryComparison& a, const EntryComparison& b) {
                     return std::fabs(a.figure(ComparedFigure::Share).difference()) >
                            std::fabs(b.figure(ComparedFigure::Share).difference());
                   });
  return c;
}

std::string growthBeyond(const EntryComparison& entry, double percent) {
  if (entry.presence == EntryPresence::OnlyBaseline) {
    return {};
  }
  if (entry.presence == EntryPresence::OnlyFile) {
    return entry.figure(ComparedFigure::Share).file > 0.0 ? "runs only in the file" : "";
  }
  std::string why;
  for (const ComparedFigure f : {ComparedFigure::Share, ComparedFigure::Max}) {
    const FigurePair& pair = entry.figure(f);
    const std::optional<double> growth = pair.growthPercent();
    const bool grew = growth ? *growth > percent : pair.file > 0.0;
    if (grew) {
      if (!why.empty()) {
        why += ", ";
      }
      why += comparedFigureKey(f);
      why += growth ? " grew by " + shortNumber(growth) + " %" : " grew from 0";
    }
  }
  return why;
}

std::string comparisonTable(const ReportComparison& comparison) {
  std::vector<std::vector<std::string>> rows;
  auto& header = rows.emplace_back(std::vector<std::string>{"PID", "Text", "In"});
  for (const ComparedFigure f : AllFigures) {
    for (const char* part : ShortParts) {
      header.push_back(std::string(comparedFigureKey(f)) + " " + part);
    }
  }
  for (const EntryComparison& e : comparison.entries) {
    auto& row =
        rows.emplace_back(std::vector<std::string>{e.idText, e.name, entryPresenceKey(e.presence)});
    for (const ComparedFigure f : AllFigures) {
      for (std::size_t part = 0; part < Parts.size(); ++part) {
        row.push_back(shortNumber(partOf(e.figure(f), part)));
      }
    }
  }
  // The entry's id, name and presence are left-aligned; the figures are right-aligned.
  constexpr std::size_t TextColumns = 3;
  return AlignedTextTable(rows, TextColumns);
}

std::string comparisonTsv(const ReportComparison& comparison) {
  std::string out = "id\tidText\tname\tclass\tpresence";
  for (const ComparedFigure f : AllFigures) {
    for (const char* part : Parts) {
      out += std::string("\t") + comparedFigureKey(f) + "." + part;
    }
  }
  out += '\n';
  for (const EntryComparison& e : comparison.entries) {
    appendJsonInteger(out, e.id);
    out += '\t' + tsvCell(e.idText) + '\t' + tsvCell(e.name) + '\t' + entryClassKey(e.entryClass) +
           '\t' + entryPresenceKey(e.presence);
    for (const ComparedFigure f : AllFigures) {
      for (std::size_t part = 0; part < Parts.size(); ++part) {
        out += '\t';
        appendFullNumber(out, partOf(e.figure(f), part), "");
      }
    }
    out += '\n';
  }
  return out;
}

std::string comparisonJson(const ReportComparison& comparison) {
  std::string out = "{";
  appendFilesJson(out, comparison);
  out += ",\n\"entries\":[";
  for (std::size_t i = 0; i < comparison.entries.size(); ++i) {
    out += i == 0 ? "\n{" : ",\n{";
    appendEntryJson(out, comparison.entries[i]);
    out += '}';
  }
  out += "\n]}\n";
  return out;
}

std::string comparisonJsonLines(const ReportComparison& comparison) {
  std::string out;
  for (const EntryComparison& e : comparison.entries) {
    out += '{';
    appendFilesJson(out, comparison);
    out += ',';
    appendEntryJson(out, e);
    out += "}\n";
  }
  return out;
}

}  // namespace kelvor
