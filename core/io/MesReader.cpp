// The reader of the event export (.mes) the program writes in MesFile.cpp, and of its legacy
// form: one event per line, the kind given by name.
#include <optional>
#include <string_view>

#include "common/TextCursor.h"
#include "common/TextNumbers.h"
#include "io/LineReader.h"
#include "io/TextTraceImporter.h"

namespace kelvor {

using listing::readColumn;

void TextTraceImporter::readMes(LineReader& reader) {
  std::string_view line;
  // The first word tells the tab form ("MES") from the legacy form; its line holds no record.
  bool tabForm = false;
  bool started = false;
  while (!started && reader.next(line)) {
    LineCursor cursor(line);
    const std::string_view first = cursor.word();
    if (!first.empty()) {
      tabForm = first == "MES";
      started = true;
    }
  }
  while (reader.next(line)) {
    countLine(reader);
    if (tabForm) {
      readMesTabLine(line);
    } else {
      readMesLegacyLine(line);
    }
  }
}

void TextTraceImporter::readMesTabLine(std::string_view line) {
  LineCursor cursor(line);
  LineCursor probe = cursor;
  probe.skipSpace();
  if (probe.atEnd()) {
    return;
  }
  readColumn(cursor);  // the index
  currentTime_ = parseLeadingDecimal(readColumn(cursor)).value_or(0.0);
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
  appendMesEvent(name, key, value, clock);
}

void TextTraceImporter::readMesLegacyLine(std::string_view line) {
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
  currentTime_ = *time;
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
  appendMesEvent(name, *key, value, clock);
}

void TextTraceImporter::appendMesEvent(std::string_view name, std::uint32_t key,
                                       std::uint32_t value, double clock) {
  const double time = currentTime_;
  const auto id = static_cast<std::uint16_t>(key);
  if (name == "START_PROC") {
    appendStartProc(time, id);
  } else if (name == "END_PROC") {
    append(TraceEvent(time, id, EventKind::END_PROC, 0, 0, 0.0, 0));
  } else if (name == "START_IRQ") {
    append(TraceEvent(time, 0, EventKind::START_IRQ, value, 0, 0.0, 0));
  } else if (name == "END_IRQ") {
    append(TraceEvent(time, 0, EventKind::END_IRQ, value, 0, 0.0, 0));
  } else if (name == "CLK_SPEED") {
    append(TraceEvent(time, 0, EventKind::CLK_SPEED, 0, 0, clock, 0));
  } else if (name == "USER_MARK") {
    append(TraceEvent(time, id, EventKind::USER_MARK, 0, 0, 0.0, 0));
  } else if (name == "USER_ENTER") {
    append(TraceEvent(time, 0, EventKind::USER_ENTER, key, 0, 0.0, 0));
  } else if (name == "USER_EXIT") {
    append(TraceEvent(time, 0, EventKind::USER_EXIT, key, 0, 0.0, 0));
  }
}

}  // namespace kelvor
