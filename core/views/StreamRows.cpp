#include "views/StreamRows.h"

#include <algorithm>
#include <cstdio>

#include "common/TextNumbers.h"
#include "views/StatisticsRows.h"

namespace kelvor {

namespace {

constexpr StreamColumn kColumns[StreamColumnCount] = {
    {"Pos", 75},        {"PID", 65},        {"Name", 100},    {"Event", 80},
    {"Start Time", 63}, {"Delta Time", 63}, {"Prio/IRQ", 45}, {"INT-Adr", 55},
};

bool isUserKind(EventKind kind) {
  return kind == EventKind::USER_MARK || kind == EventKind::USER_ENTER ||
         kind == EventKind::USER_EXIT;
}

bool isProcessKind(EventKind kind) {
  return kind == EventKind::START_PROC || kind == EventKind::END_PROC;
}

bool isInterruptKind(EventKind kind) {
  return kind == EventKind::START_IRQ || kind == EventKind::END_IRQ;
}

template <typename... Args>
void format(std::string& out, const char* pattern, Args... args) {
  char buffer[64];
  const int length = std::snprintf(buffer, sizeof buffer, pattern, args...);
  out.assign(
      buffer,
      length > 0 ? std::min<std::size_t>(static_cast<std::size_t>(length), sizeof buffer - 1) : 0);
}

int iconForPriority(std::uint32_t id, std::uint32_t priority) {
  if (priority == UnknownPriority) {
    return id <= 0x100 ? IconInterrupt : IconPriorityUnknown;
  }
  return iconForPriorityBand(id, priority);
}

}  // namespace

VisibleEntries::VisibleEntries(const StatisticsEngine& engine)
    : engine_(engine), dense_(DenseLimit, 0) {
  for (const auto& [id, record] : engine.statistics()) {
    if (id >= DenseLimit) {
      break;
    }
    dense_[id] = record.visible != 0 ? 1 : 0;
  }
}

bool VisibleEntries::isVisible(std::uint32_t entryId) const {
  if (entryId < DenseLimit) {
    return dense_[entryId] != 0;
  }
  const ProcessStats* record = engine_.find(entryId);
  return record != nullptr && record->visible != 0;
}

bool ListingRule::next(const TraceEvent& event) {
  switch (event.kind) {
    case EventKind::START_PROC:
    case EventKind::END_PROC:
      lastDecisiveListed_ = visible_.isVisible(event.id);
      return lastDecisiveListed_;
    case EventKind::START_IRQ:
    case EventKind::END_IRQ:
      lastDecisiveListed_ = visible_.isVisible(InterruptIdBase + event.number);
      return lastDecisiveListed_;
    case EventKind::USER_MARK:
    case EventKind::USER_ENTER:
    case EventKind::USER_EXIT:
      lastDecisiveListed_ = true;
      return true;
    case EventKind::RAISE_IRQ_LEVEL:
    case EventKind::SET_IRQ_LEVEL:
    case EventKind::RESTORE_IRQ_LEVEL:
    case EventKind::CLK_SPEED:
      return lastDecisiveListed_;
    default:
      return false;
  }
}

void ListedEventIndex::rebuild(const EventStream& stream, const VisibleEntries& visible) {
  clear();
  extend(stream, visible);
  rows_.shrink_to_fit();
}

std::size_t ListedEventIndex::extend(const EventStream& stream, const VisibleEntries& visible) {
  const std::size_t before = rows_.size();
  ListingRule rule(visible, lastDecisiveListed_);
  const std::size_t count = std::min<std::size_t>(stream.size(), UINT32_MAX);
  if (scanned_ < count) {
    EventCursor event = stream.cursorAt(scanned_);
    for (std::size_t i = scanned_; i < count; ++i, ++event) {
      if (rule.next(*event)) {
        rows_.push_back(static_cast<std::uint32_t>(i));
      }
    }
  }
  scanned_ = std::max(scanned_, count);
  lastDecisiveListed_ = rule.lastDecisiveListed();
  return rows_.size() - before;
}

std::size_t ListedEventIndex::rowAtOrAfter(std::size_t eventIndex) const {
  const auto it = std::lower_bound(rows_.begin(), rows_.end(), eventIndex,
                                   [](std::uint32_t row, std::size_t e) { return row < e; });
  return static_cast<std::size_t>(it - rows_.begin());
}

const StreamColumn& streamColumn(int column) {
  return kColumns[column];
}

StreamCellFormatter::StreamCellFormatter(const Source& source)
    : source_(source),
      naming_(*source.processTable, source.runNameTable,
              runNameUse(source.runFileLoaded, source.flags)) {
  if (source_.marker1Time) {
    marker1Index_ = source_.stream->indexAtOrAfter(*source_.marker1Time);
  }
  if (source_.marker2Time) {
    marker2Index_ = source_.stream->indexAtOrAfter(*source_.marker2Time);
  }
}

double StreamCellFormatter::deltaTime(std::size_t eventIndex) const {
  const EventStream& stream = *source_.stream;
  return eventIndex + 1 < stream.size() ? stream[eventIndex + 1].time - stream[eventIndex].time
                                        : 0.0;
}

std::optional<double> StreamCellFormatter::cellValue(std::size_t eventIndex, int column) const {
  switch (column) {
    case 0:
      return static_cast<double>(eventIndex);
    case 4:
      return (*source_.stream)[eventIndex].time;
    case 5:
      return deltaTime(eventIndex);
    default:
      return std::nullopt;
  }
}

int StreamCellFormatter::icon(std::size_t eventIndex) const {
  const TraceEvent& event = (*source_.stream)[eventIndex];
  switch (event.kind) {
    case EventKind::START_PROC:
    case EventKind::END_PROC:
      return iconForPriority(event.id, naming_.priority(event.id));
    case EventKind::START_IRQ:
    case EventKind::END_IRQ:
      return IconInterrupt;
    case EventKind::USER_MARK:
      return IconUserMark;
    case EventKind::USER_ENTER:
    case EventKind::USER_EXIT:
      return IconUserEnterExit;
    case EventKind::PSEUDO_PROCESS:
      return IconPseudoProcess;
    default:
      return NoIcon;
  }
}

void StreamCellFormatter::cellText(std::size_t eventIndex, int column, std::string& out) const {
  const EventStream& stream = *source_.stream;
  const TraceEvent& event = stream[eventIndex];
  const std::uint32_t shownId = eventKey(event);
  out.clear();
  switch (column) {
    case 0: {
      const char* marker = "";
      if (marker2Index_ && *marker2Index_ == eventIndex) {
        marker = " MARKER_2";
      } else if (marker1Index_ && *marker1Index_ == eventIndex) {
        marker = " MARKER_1";
      }
      format(out, " %zu%s", eventIndex, marker);
      return;
    }
    case 1:
      if (isInterruptKind(event.kind)) {
        out = interruptIdText(event.number, IdTextStyle::View);
      } else if (isUserKind(event.kind)) {
        out = '*' + processIdText(shownId & 0xFFFFu, IdTextStyle::View) + '*';
      } else if (event.kind == EventKind::PSEUDO_PROCESS) {
        out = processIdText(shownId & 0xFFFFu, IdTextStyle::View);
      } else {
        out = processIdText(shownId, IdTextStyle::View);
      }
      return;
    case 2:
      if (event.kind == EventKind::USER_MARK) {
        format(out, "* UserMark:%x *", shownId - UserMarkIdBase);
      } else if (event.kind == EventKind::USER_ENTER || event.kind == EventKind::USER_EXIT) {
        out = kindName(event.kind);
        out += ' ';
      } else if (event.kind == EventKind::PSEUDO_PROCESS) {
        format(out, "*Pseudo Process:%2X *", event.number >> 8);
      } else if (shownId >= 256 || isProcessKind(event.kind)) {
        // Processes and tasks are named by their own id, also below 256 (0x00FD, 0x00FE);
        // only small numbers of other kinds stand for interrupts. An interrupt number past 16
        // bits is named by the process table alone, not as the interrupt it would offset to.
        out = shownId < InterruptIdBase ? naming_.name(shownId)
                                        : source_.processTable->entryName(shownId);
      } else {
        out = naming_.name(InterruptIdBase + shownId);
      }
      return;
    case 3:
      out = kindName(event.kind);
      return;
    case 4:
      appendFixed6(out, event.time);
      return;
    case 5:
      appendFixed6(out, deltaTime(eventIndex));
      return;
    case 6:
      if (isProcessKind(event.kind)) {
        std::uint32_t priority = 0;
        if (source_.acquisitionState == AcquisitionState::Recording || source_.runFileLoaded != 1) {
          priority = source_.processTable->priorityOf(event.id);
        } else {
          priority = event.number;
        }
        if (priority == UnknownPriority) {
          out = "unknown";
        } else {
          format(out, "0x%X", priority);
        }
      } else if (isInterruptKind(event.kind)) {
        format(out, "0x%X", event.number);
      } else if (isUserKind(event.kind) || event.kind == EventKind::PSEUDO_PROCESS) {
        out = "**********";
      }
      return;
    case 7:
      format(out, "%X", event.address);
      return;
    default:
      return;
  }
}

StreamCellFormatter::Source streamRowSource(const Session& session) {
  StreamCellFormatter::Source source;
  source.stream = &session.engine->stream();
  source.processTable = &session.processTable;
  source.runNameTable = &session.runNameTable;
  source.runFileLoaded = session.runFileLoaded;
  source.acquisitionState = session.acquisitionState;
  source.flags = displayFlagsFrom(session.settings);
  source.marker1Time = session.timeStep.marker1Event;
  source.marker2Time = session.timeStep.marker2Event;
  return source;
}

}  // namespace kelvor
