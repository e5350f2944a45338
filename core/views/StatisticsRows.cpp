#include "views/StatisticsRows.h"

namespace kelvor {

int iconForId(std::uint32_t id, std::uint32_t priority) {
  if (id >= InterruptIdBase) {
    return IconInterrupt;
  }
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

RunNameUse runNameUse(std::uint32_t runFileLoaded, const DisplayFlags& flags) {
  if (runFileLoaded != 1) {
    return {};
  }
  return RunNameUse{flags.pidFileMissing, flags.interruptFileMissing};
}

StatisticsRowSource statisticsRowSource(const Session& session) {
  StatisticsRowSource source;
  source.engine = session.engine.get();
  source.processTable = &session.processTable;
  source.runNameTable = &session.runNameTable;
  source.runFileLoaded = session.runFileLoaded;
  source.live = session.acquisitionState == AcquisitionState::Recording;
  source.flags = displayFlagsFrom(session.settings);
  return source;
}

void buildStatisticsRows(const StatisticsRowSource& source, std::vector<StatisticsRow>& rows) {
  if (source.engine == nullptr) {
    rows.clear();
    return;
  }
  const StatisticsEngine::StatsMap& stats = source.engine->statistics();
  rows.resize(stats.size());
  const double span = source.engine->windowSpan();
  // While recording the names come from the process table only.
  const EntryNaming naming(
      *source.processTable, source.runNameTable,
      source.live ? RunNameUse{} : runNameUse(source.runFileLoaded, source.flags));
  const auto shown =
      static_cast<std::size_t>(source.live ? LiveStatisticsColumns : FullStatisticsColumns);

  constexpr auto NameColumn = static_cast<std::size_t>(StatisticsColumnId::Name);
  std::size_t index = 0;
  for (const auto& [id, record] : stats) {
    StatisticsRow& row = rows[index++];
    row.id = id;
    row.icon = iconForId(id, naming.priority(id));
    row.texts[NameColumn] = naming.name(id);
    row.values[NameColumn] = 0.0;
    const StatisticsEntry entry{record, row.texts[NameColumn], span};
    for (const StatisticsColumn& column : statisticsColumns()) {
      const auto cell = static_cast<std::size_t>(column.id);
      if (cell == NameColumn) {
        continue;
      }
      if (cell >= shown) {
        row.texts[cell].clear();
        row.values[cell] = 0.0;
      } else {
        row.values[cell] = tableCellText(column, entry, row.texts[cell]);
      }
    }
  }
}

}  // namespace kelvor
