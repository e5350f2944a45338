#pragma once

// What one line of a text trace holds, read without any state of the lines before it. The
// importer turns these into events in file order (the time sum, the address check, the pending
// interrupt word and the messages live there), so that the lines of a large file can be read on
// several threads and taken in order afterwards.
#include <cstdint>
#include <string_view>

#include "model/TraceEvent.h"

namespace kelvor::listing {

// 1 for a FLOW ERROR line, 2 for a TRACE ENABLE line, 0 for any other: the text from its first
// upper-case 'F' or 'T' must begin, ignoring case, with the phrase.
int classifyLine(std::string_view text);

// A line of an ETM or logic-analyser listing.
struct ListingLine {
  enum class Kind : std::uint8_t {
    Nothing,    // no record: blank, a heading, a TRACE ENABLE line
    Write,      // a write of `value` at `offset`, `delta` seconds after the line before
    Exec,       // an ETM "exec" cycle: counts as a data line, advances the time, writes nothing
    Cut,        // a record ending before its data: a write of 0 at `offset`, no time
    FlowError,  // an ETM FLOW ERROR line
  };
  // Offsets into the MOP area above this one read alike: no register and outside the range the
  // address check counts.
  static constexpr std::uint32_t FarOffset = 0xFFFF;

  double delta = 0.0;
  std::uint32_t value = 0;
  std::uint16_t offset = 0;  // address - MOP-area base, FarOffset when beyond it
  Kind kind = Kind::Nothing;
  bool lessThan = false;  // the time held a '<' (logic-analyser listings only)

  void setOffset(std::uint32_t address, std::uint32_t mopBase) {
    const std::uint32_t raw = address - mopBase;
    offset = static_cast<std::uint16_t>(raw < FarOffset ? raw : FarOffset);
  }
};
static_assert(sizeof(ListingLine) <= 16, "a listing line is kept for every line of a piece");

// Reads a record line of an ETM listing (.prn): one leading character, the record number, an
// access-class prefix closed by ':', the address, the cycle type, the data (except for "exec")
// and the time difference.
class EtmLineParser {
 public:
  explicit EtmLineParser(std::uint32_t mopBase) : mopBase_(mopBase) {}
  void operator()(std::string_view line, ListingLine& out) const;

 private:
  std::uint32_t mopBase_;
};

// Reads a data line of a logic-analyser listing (.txt): address, data and time difference,
// separated by TABs, after a sample column when the titles announce one.
class TlaLineParser {
 public:
  TlaLineParser(std::uint32_t mopBase, bool sampleColumn)
      : mopBase_(mopBase), sampleColumn_(sampleColumn) {}
  void operator()(std::string_view line, ListingLine& out) const;

 private:
  std::uint32_t mopBase_;
  bool sampleColumn_;
};

// A line of an event export (.mes): its own time and at most one event.
struct MesLine {
  TraceEvent event;       // its time is the line's time whenever setsTime holds
  bool setsTime = false;  // the line is a record: the current time becomes its time
  bool hasEvent = false;  // the record names a kind the importer knows
};

// Reads a record line of the tab form ("MES" heading) or of the legacy form.
class MesLineParser {
 public:
  explicit MesLineParser(bool tabForm) : tabForm_(tabForm) {}
  void operator()(std::string_view line, MesLine& out) const;

 private:
  bool tabForm_;
};

}  // namespace kelvor::listing
