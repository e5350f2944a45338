#include "views/TimeStepContent.h"

#include <algorithm>

#include "settings/AnalysisSettings.h"
#include "views/StatisticsRows.h"
#include "views/TimeStepPaintPrimitives.h"
#include "views/TimelineSnapshot.h"

namespace kelvor::gui {

void TimeStepContent::clear() {
  hasData_ = false;
  bounds_ = TraceBounds{};
  eventCount_ = 0;
  stream_ = nullptr;
  entries_.clear();
  order_ = RowOrder{};
  raster_.reset();
  walk_.reset();
  userSectionTime_ = 0.0;
  userSectionPercent_ = 0.0;
}

bool TimeStepContent::walkedFor(const Session& session) const {
  return session.engine && stream_ == &session.engine->stream() &&
         eventCount_ == session.engine->stream().size() && eventCount_ != 0;
}

void TimeStepContent::rebuild(Session& session, int sortMode) {
  clear();
  if (!session.engine) {
    return;
  }
  StatisticsEngine& engine = *session.engine;
  stream_ = &engine.stream();
  eventCount_ = engine.stream().size();
  hasData_ = eventCount_ != 0;
  bounds_ = TraceBounds::of(engine.stream());
  if (hasData_) {
    numberVisibleRows(engine);
    walk_ = std::make_unique<TimeStepWalk>(engine, session.analysis.console);
    const TimeStepResult& result = walk_->run(curveStartClock(session.settings));
    raster_ = std::make_unique<TimeStepRaster>(*walk_);
    userSectionTime_ = result.userSectionTime;
    userSectionPercent_ = result.userSectionPercent;
  }
  refresh(session, sortMode);
}

void TimeStepContent::takeIn(Session& session, int sortMode) {
  if (!session.engine || !walk_ || !raster_ || stream_ != &session.engine->stream() ||
      session.engine->stream().size() < eventCount_) {
    rebuild(session, sortMode);
    return;
  }
  const EventStream& stream = session.engine->stream();
  eventCount_ = stream.size();
  hasData_ = eventCount_ != 0;
  bounds_ = TraceBounds::of(stream);
  const TimeStepResult& result = walk_->extend(curveStartClock(session.settings));
  raster_->takeIn(*walk_);
  userSectionTime_ = result.userSectionTime;
  userSectionPercent_ = result.userSectionPercent;
  refresh(session, sortMode);
}

void TimeStepContent::refresh(Session& session, int sortMode) {
  entries_.clear();
  longest_.reset();
  if (!session.engine || !hasData_) {
    order_ = RowOrder{};
    return;
  }
  StatisticsEngine& engine = *session.engine;
  numberVisibleRows(engine);
  const bool runTrace = session.runFileLoaded != 0;
  const RunNameUse use = runNameUse(session.runFileLoaded, displayFlagsFrom(session.settings));
  const EntryNaming naming(session.processTable, &session.runNameTable, use);
  entries_.reserve(engine.statistics().size());
  for (const auto& [id, stats] : engine.statistics()) {
    TimeStepEntry entry;
    entry.id = id;
    entry.entryClass = stats.entryClass;
    entry.visible = stats.visible != 0;
    const std::string label = entryLabel(id, session.processTable, &session.runNameTable, use);
    longest_.consider(label);
    entry.label = QString::fromStdString(label);
    const std::uint32_t priority = timeStepPriority(id, naming, runTrace);
    entry.barColour = qcolor(barColour(barBand(id, priority)));
    entry.labelColour = qcolor(labelColour(labelBand(id, priority)));
    entry.raster = raster_ ? raster_->row(id) : nullptr;
    entries_.push_back(std::move(entry));
  }
  order_ = sortMode == static_cast<int>(SortMode::ByPriority)
               ? RowOrder::byPriority(sortByPriority(engine, naming, runTrace))
               : RowOrder::byId(engine);
}

const TimeStepEntry* TimeStepContent::entry(std::uint32_t id) const {
  auto it =
      std::lower_bound(entries_.begin(), entries_.end(), id,
                       [](const TimeStepEntry& e, std::uint32_t value) { return e.id < value; });
  return it != entries_.end() && it->id == id ? &*it : nullptr;
}

}  // namespace kelvor::gui
