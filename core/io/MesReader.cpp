// The reader of the event export (.mes) the program writes in MesFile.cpp, and of its legacy
// form: one event per line, the kind given by name.
#include <optional>
#include <string_view>

#include "common/TextCursor.h"
#include "common/TextNumbers.h"
#include "io/LineReader.h"
#include "io/ListingLines.h"
#include "io/TextTraceImporter.h"

namespace kelvor {

namespace listing {

namespace {

// The event a record of the given kind name describes; false for a name the importer ignores.
bool mesEvent(std::string_view name, std::uint32_t key, std::uint32_t value, double clock,
              TraceEvent& event) {
  const double time = event.time;
  const auto id = static_cast<std::uint16_t>(key);
  if (name == "START_PROC") {
    event = TraceEvent(time, id, EventKind::START_PROC, 0, 0, 0.0, 0);
  } else if (name == "END_PROC") {
    event = TraceEvent(time, id, EventKind::END_PROC, 0, 0, 0.0, 0);
  } else if (name == "START_IRQ") {
    event = TraceEvent(time, 0, EventKind::START_IRQ, value, 0, 0.0, 0);
  } else if (name == "END_IRQ") {
    event = TraceEvent(time, 0, EventKind::END_IRQ, value, 0, 0.0, 0);
  } else if (name == "CLK_SPEED") {
    event = TraceEvent(time, 0, EventKind::CLK_SPEED, 0, 0, clock, 0);
  } else if (name == "USER_MARK") {
    event = TraceEvent(time, id, EventKind::USER_MARK, 0, 0, 0.0, 0);
  } else if (name == "USER_ENTER") {
    event = TraceEvent(time, 0, EventKind::USER_ENTER, key, 0, 0.0, 0);
  } else if (name == "USER_EXIT") {
    event = TraceEvent(time, 0, EventKind::USER_EXIT, key, 0, 0.0, 0);
  } else {
    return false;
  }
  return true;
}

void readTabLine(std::string_view line, MesLine& out) {
  LineCursor cursor(line);
  LineCursor probe = cursor;
  probe.skipSpace();
  if (probe.atEnd()) {
    return;
  }
  readColumn(cursor);  // the index
  out.setsTime = true;
  out.event.time = parseLeadingDecimal(readColumn(cursor)).value_or(0.0);
  const std::uint32_t key = parseHexText(readColumn(cursor));
  const std::string_view name = readColumn(cursor);
  std::uint32_t value = 0;
  double clock = 0.0;
  const bool clockChange = name == "CLK_SPEED";
  if (clockChange || name == "START_IRQ" || name == "END_IRQ") {
    value = parseHexText(readColumn(cursor));
  }
  if (clockChange) {
    // Our own files end a clock change after the address column and so come back with clock
    // 0.0; longer lines carry a value, a count and the clock in MHz. Only this line is read.
    readColumn(cursor);
    const std::string_view replacement = readColumn(cursor);
    if (!replacement.empty()) {
      value = parseHexText(replacement);
    }
    readUnsigned(cursor);
    clock = static_cast<double>(readSigned(cursor).value_or(0));
  }
  out.hasEvent = mesEvent(name, key, value, clock, out.event);
}

void readLegacyLine(std::string_view line, MesLine& out) {
  LineCursor cursor(line);
  const std::string_view timeText = cursor.word();
  if (timeText.empty()) {
    return;
  }
  // A line that does not start with a time and a key is no record.
  const std::optional<double> time = parseLeadingDecimal(timeText);
  if (!time) {
    return;
  }
  const std::optional<std::uint32_t> key = readUnsigned(cursor);
  if (!key) {
    return;
  }
  out.setsTime = true;
  out.event.time = *time;
  const std::string_view name = readColumn(cursor);
  std::uint32_t value = 0;
  double clock = 0.0;
  const bool clockChange = name == "CLK_SPEED";
  if (clockChange || name == "START_IRQ" || name == "END_IRQ") {
    value = readUnsigned(cursor).value_or(0);
  }
  if (clockChange) {
    readColumn(cursor);
    readColumn(cursor);
    readUnsigned(cursor);
    clock = static_cast<double>(readSigned(cursor).value_or(0));
  }
  out.hasEvent = mesEvent(name, *key, value, clock, out.event);
}

}  // namespace

void MesLineParser::operator()(std::string_view line, MesLine& out) const {
  out = MesLine{};
  if (tabForm_) {
    readTabLine(line, out);
  } else {
    readLegacyLine(line, out);
  }
}

std::optional<bool> mesHeading(LineReader& reader) {
  std::string_view line;
  while (reader.next(line)) {
    LineCursor cursor(line);
    const std::string_view first = cursor.word();
    if (!first.empty()) {
      return first == "MES";
    }
  }
  return std::nullopt;
}

}  // namespace listing

void TextTraceImporter::readMes(LineReader& reader) {
  // The first word tells the tab form ("MES") from the legacy form; its line holds no record.
  const std::optional<bool> tabForm = listing::mesHeading(reader);
  if (!tabForm) {
    return;
  }
  const listing::MesLineParser parse(*tabForm);
  std::string_view line;
  listing::MesLine record;
  while (reader.next(line)) {
    countLine(reader);
    parse(line, record);
    takeMesLine(record);
  }
}

}  // namespace kelvor
