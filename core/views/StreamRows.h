#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/StatisticsEngine.h"
#include "model/EntryNaming.h"
#include "model/EventStream.h"
#include "model/ProcessTable.h"
#include "session/Session.h"
#include "views/StatisticsRows.h"

namespace kelvor {

// The `visible` flags of the engine's records, resolved once so that listing a long stream
// needs no map search per event.
class VisibleEntries {
 public:
  explicit VisibleEntries(const StatisticsEngine& engine);
  // Whether the entry has a record and that record is visible.
  bool isVisible(std::uint32_t entryId) const;

 private:
  static constexpr std::uint32_t DenseLimit = 0x20000;
  const StatisticsEngine& engine_;
  std::vector<std::uint8_t> dense_;
};

// Decides, event by event from the start of the stream, which events the stream list shows:
// starts and ends of visible processes and interrupts, every user event, and the interrupt-level
// and clock events that follow a listed process, interrupt or user event (or open the stream).
// Pseudo processes, events of entries without a record and unknown kinds are not listed.
class ListingRule {
 public:
  // `lastDecisiveListed` continues a listing that stopped after an event with that state.
  explicit ListingRule(const VisibleEntries& visible, bool lastDecisiveListed = true)
      : visible_(visible), lastDecisiveListed_(lastDecisiveListed) {}
  // Call once per event in stream order.
  bool next(const TraceEvent& event);
  // Whether the last start, end or user event was listed.
  bool lastDecisiveListed() const { return lastDecisiveListed_; }

 private:
  const VisibleEntries& visible_;
  bool lastDecisiveListed_ = true;
};

// Stream positions of the listed events, so that a row maps to its event at once.
class ListedEventIndex {
 public:
  // Rebuilds the index over the whole stream.
  void rebuild(const EventStream& stream, const VisibleEntries& visible);
  // Lists the events appended to the stream since the last rebuild or extension, going on
  // where the listing stopped: the index is then that of a rebuild, as long as the visible
  // flags of the entries already listed have not changed. Returns the number of rows added.
  std::size_t extend(const EventStream& stream, const VisibleEntries& visible);
  void clear() {
    rows_.clear();
    scanned_ = 0;
    lastDecisiveListed_ = true;
  }

  std::size_t size() const { return rows_.size(); }
  // The stream index of the event shown in a row, or nothing past the end.
  std::optional<std::size_t> eventAt(std::size_t row) const {
    if (row >= rows_.size()) {
      return std::nullopt;
    }
    return rows_[row];
  }
  // The row that shows the event at a stream index, or the first row after it.
  std::size_t rowAtOrAfter(std::size_t eventIndex) const;
  // The number of stream events the index has looked at.
  std::size_t scanned() const { return scanned_; }

 private:
  std::vector<std::uint32_t> rows_;
  std::size_t scanned_ = 0;
  bool lastDecisiveListed_ = true;
};

inline constexpr int StreamColumnCount = 8;
// The column that shows an event's time.
inline constexpr int StreamStartTimeColumn = 4;
struct StreamColumn {
  const char* header;
  int width;  // pixels
};
const StreamColumn& streamColumn(int column);

// Everything the cell texts and icons of the stream list read besides the event.
class StreamCellFormatter {
 public:
  struct Source {
    const EventStream* stream = nullptr;
    const ProcessTable* processTable = nullptr;
    const std::vector<RunNameRecord>* runNameTable = nullptr;
    std::uint32_t runFileLoaded = 0;
    AcquisitionState acquisitionState = AcquisitionState::Loaded;
    DisplayFlags flags;
    std::optional<double> marker1Time;
    std::optional<double> marker2Time;
  };

  explicit StreamCellFormatter(const Source& source);

  // The text of a column for the event at a stream index.
  void cellText(std::size_t eventIndex, int column, std::string& out) const;
  // The number a column shows for the event (its position, start and delta time), or nothing
  // for a column of texts.
  std::optional<double> cellValue(std::size_t eventIndex, int column) const;
  // The icon of column 0, or NoIcon.
  int icon(std::size_t eventIndex) const;

 private:
  double deltaTime(std::size_t eventIndex) const;

  Source source_;
  EntryNaming naming_;
  std::optional<std::size_t> marker1Index_;
  std::optional<std::size_t> marker2Index_;
};

// The source of the stream list of a session whose engine exists, with the markers of the
// time-step chart.
StreamCellFormatter::Source streamRowSource(const Session& session);

}  // namespace kelvor
