#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/StatisticsEngine.h"
#include "model/EntryNaming.h"
#include "model/ProcessTable.h"
#include "session/Session.h"
#include "settings/AnalysisSettings.h"
#include "views/StatisticsColumns.h"

namespace kelvor {

// Icon indices shared by the statistics table and the stream list: arrows in one colour each.
enum ArrowIcon : int {
  IconInterrupt = 0,        // blue
  IconPriorityTop = 1,      // dark green: 0xC900-0xFFFF
  IconPriorityHigh = 2,     // bright green: 0x9700-0xC8FF
  IconPriorityLow = 3,      // magenta: 0x03FF-0x32FF and the low ids of blocks 1 and 2
  IconPriorityUnknown = 4,  // red
  IconUserEnterExit = 5,    // red on black
  IconUserMark = 6,         // bright green on black
  IconPriorityLowest = 7,   // purple: below 0x03FF
  IconPriorityMedium = 8,   // olive: 0x3300-0x64FF
  IconPriorityRaised = 9,   // yellow: 0x6500-0x96FF
  IconPseudoProcess = 10,   // yellow on black
  ArrowIconCount = 11,
  NoIcon = 255,
};

// The icon of a statistics row: interrupts have their own, processes that of their priority.
int iconForId(std::uint32_t id, std::uint32_t priority);
// The icon of a process by the band its (known) priority falls in; the statistics table and the
// stream list differ only in how they show an unknown priority.
int iconForPriorityBand(std::uint32_t id, std::uint32_t priority);

// One row of the statistics table, formatted once per refresh.
struct StatisticsRow {
  std::uint32_t id = 0;
  int icon = NoIcon;
  std::array<std::string, FullStatisticsColumns> texts;
  std::array<double, FullStatisticsColumns> values{};  // each column's value, for sorting
};

// The entries the views name from a loaded .run file: none unless its names are loaded; then
// those whose ID file the configuration does not name.
RunNameUse runNameUse(std::uint32_t runFileLoaded, const DisplayFlags& flags);

// What a refresh of the statistics rows reads besides the engine.
struct StatisticsRowSource {
  const StatisticsEngine* engine = nullptr;  // may be null: no rows
  const ProcessTable* processTable = nullptr;
  const std::vector<RunNameRecord>* runNameTable = nullptr;
  std::uint32_t runFileLoaded = 0;
  bool live = false;  // recording: the live column set, names from the process table only
  DisplayFlags flags;
};

// The source of the statistics rows of a session: the live set while it records.
StatisticsRowSource statisticsRowSource(const Session& session);

// One row per statistics record in ascending entry id. `rows` is reused to keep its storage.
void buildStatisticsRows(const StatisticsRowSource& source, std::vector<StatisticsRow>& rows);

}  // namespace kelvor
