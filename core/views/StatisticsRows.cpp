#include "views/StatisticsRows.h"

#include "io/StatisticsExport.h"

#include <charconv>
#include <cstdio>
#include <memory>

namespace kelvor {

namespace {

constexpr StatisticsColumn kColumns[FullStatisticsColumns] = {
    {"PID", false, 60},           {"Text", false, 150},
    {"% RT", false, 90},          {"# Calls", true, 60},
    {"Total w Int", true, 90},    {"Total w/o. Int", true, 90},
    {"Minimal w Int.", true, 90}, {"Minimal w/o Int", true, 90},
    {"Maximal w Int.", true, 90}, {"Maximal w/o Int", true, 90},
    {"# Int.", true, 60},         {"max Int.", true, 60},
    {"min Int", true, 60},        {"Min Sp.", true, 60},
    {"Max Sp.", true, 60},        {"Mid Sp.", true, 90},
    {"Act Tim", true, 60},        {"Got Tim", true, 60},
    {"SendMes", true, 60},        {"ReceMes", true, 60},
};

void setCount(std::string& out, std::uint32_t value) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.assign(buffer, result.ptr);
}

void setFixed(std::string& out, double value) {
  out.clear();
  appendFixed6(out, value);
}

// First record of the run name table per 16-bit id, or -1.
class RunNameLookup {
 public:
  explicit RunNameLookup(const std::vector<RunNameRecord>& table) : table_(table) {
    for (std::size_t i = table.size(); i-- > 0;) {
      first_[table[i].id] = static_cast<std::int32_t>(i);
    }
  }
  const RunNameRecord* find(std::uint32_t id) const {
    if (id > 0xFFFFu || first_[id] < 0) {
      return nullptr;
    }
    return &table_[static_cast<std::size_t>(first_[id])];
  }

 private:
  const std::vector<RunNameRecord>& table_;
  std::vector<std::int32_t> first_ = std::vector<std::int32_t>(65536, -1);
};

}  // namespace

int iconForId(std::uint32_t id, std::uint32_t priority, std::string& idText) {
  char buffer[16];
  if (id >= InterruptIdBase) {
    std::snprintf(buffer, sizeof buffer, "0x%02X", id - InterruptIdBase);
    idText = buffer;
    return IconInterrupt;
  }
  std::snprintf(buffer, sizeof buffer, "0x%04X", id);
  idText = buffer;
  return priority == UnknownPriority ? IconPriorityUnknown : iconForPriorityBand(id, priority);
}

int iconForPriorityBand(std::uint32_t id, std::uint32_t priority) {
  if (priority <= 0x32FF) {
    const std::uint32_t block = (id >> 8) & 0xFFu;
    if (priority < 0x03FF && block != 1 && block != 2) {
      return IconPriorityLowest;
    }
    return IconPriorityLow;
  }
  if (priority <= 0x64FF) {
    return IconPriorityMedium;
  }
  if (priority <= 0x96FF) {
    return IconPriorityRaised;
  }
  if (priority <= 0xC8FF) {
    return IconPriorityHigh;
  }
  if (priority <= 0xFFFF) {
    return IconPriorityTop;
  }
  return NoIcon;
}

const StatisticsColumn& statisticsColumn(int column) {
  return kColumns[column];
}

void appendFixed6(std::string& out, double value) {
  char buffer[400];  // wide enough for the largest double in fixed notation
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  out.append(buffer, result.ptr);
}

void buildStatisticsRows(const StatisticsRowSource& source, std::vector<StatisticsRow>& rows) {
  if (source.engine == nullptr) {
    rows.clear();
    return;
  }
  const StatisticsEngine::StatsMap& stats = source.engine->statistics();
  rows.resize(stats.size());
  const double span = source.engine->windowSpan();

  const bool useRunNames = !source.live && source.runFileLoaded == 1 &&
                           source.runNameTable != nullptr && !source.runNameTable->empty();
  std::unique_ptr<RunNameLookup> runNames;
  if (useRunNames) {
    runNames = std::make_unique<RunNameLookup>(*source.runNameTable);
  }

  std::size_t index = 0;
  for (const auto& [id, record] : stats) {
    StatisticsRow& row = rows[index++];
    row.id = id;
    std::uint32_t priority = source.processTable->priorityOf(id);
    std::string& name = row.texts[1];
    name = source.processTable->entryName(id);
    if (runNames) {
      const bool process = id < InterruptIdBase;
      const RunNameRecord* found = nullptr;
      if (process && source.flags.pidFileMissing) {
        found = runNames->find(id);
      } else if (!process && source.flags.interruptFileMissing) {
        found = runNames->find(id - InterruptIdBase);
      }
      if (found != nullptr) {
        name = found->nameText() + " ";
        priority = found->priority;
      }
    }
    row.icon = iconForId(id, priority, row.texts[0]);

    std::string* text = row.texts.data();
    text[2].clear();
    appendFixed6(text[2], runTimePercent(record, span));
    setCount(text[3], record.calls);
    setFixed(text[4], record.totalWithInt);
    setFixed(text[5], record.totalWithoutInt);
    setFixed(text[6], record.minWithInt);
    setFixed(text[7], record.minWithoutInt);
    setFixed(text[8], record.maxWithInt);
    setFixed(text[9], record.maxWithoutInt);
    setCount(text[10], record.totalNested);
    setCount(text[11], record.maxNested);
    setCount(text[12], record.minNested);
    setFixed(text[13], record.minClock);
    setFixed(text[14], record.maxClock);
    setFixed(text[15], record.meanClock);
    if (source.live) {
      for (int column = LiveStatisticsColumns; column < FullStatisticsColumns; ++column) {
        text[column].clear();
      }
    } else {
      setCount(text[16], record.actTim);
      setCount(text[17], record.gotTim);
      setCount(text[18], record.sendMes);
      setCount(text[19], record.receMes);
    }
  }
}

}  // namespace kelvor
