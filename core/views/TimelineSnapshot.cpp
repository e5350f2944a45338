#include "views/TimelineSnapshot.h"

#include <cstdlib>

#include "model/EntryNaming.h"
#include "settings/AnalysisSettings.h"
#include "views/StatisticsRows.h"

namespace kelvor {

double curveStartClock(const SettingsStore& settings) {
  const std::string text = settings.Get(setting::StartClock);
  return std::strtod(text.c_str(), nullptr);
}

TimelineSnapshot::TimelineSnapshot(Session& session) : walk_(*session.engine) {
  StatisticsEngine& engine = *session.engine;
  numberVisibleRows(engine);
  walk_.run(curveStartClock(session.settings));

  const EntryNaming naming(session.processTable, &session.runNameTable,
                           runNameUse(session.runFileLoaded, displayFlagsFrom(session.settings)));
  for (const auto& [id, stats] : engine.statistics()) {
    if (stats.visible == 0) {
      continue;
    }
    std::string name = entryIdText(id, IdTextStyle::View) + ' ' + naming.name(id);
    // A name from a .run file carries a trailing blank; a missing one leaves the separator.
    while (!name.empty() && name.back() == ' ') {
      name.pop_back();
    }
    tracks_.push_back({id, stats.entryClass, stats.row, std::move(name)});
  }
}

}  // namespace kelvor
