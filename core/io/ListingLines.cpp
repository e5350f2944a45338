#include "io/ListingLines.h"

#include <cstring>

#include "common/TextCursor.h"
#include "common/TextNumbers.h"

namespace kelvor::listing {

int classifyLine(std::string_view text) {
  const std::size_t first = text.find_first_of("FT");
  if (first == std::string_view::npos) {
    return 0;
  }
  const std::string_view rest = text.substr(first);
  auto beginsWith = [rest](std::string_view phrase) {
    if (rest.size() < phrase.size()) {
      return false;
    }
    for (std::size_t i = 0; i < phrase.size(); ++i) {
      char c = rest[i];
      if (c >= 'a' && c <= 'z') {
        c = static_cast<char>(c - 'a' + 'A');
      }
      if (c != phrase[i]) {
        return false;
      }
    }
    return true;
  };
  if (beginsWith("FLOW ERROR")) {
    return 1;
  }
  if (beginsWith("TRACE ENABLE")) {
    return 2;
  }
  return 0;
}

void EtmLineParser::operator()(std::string_view line, ListingLine& out) const {
  out = ListingLine{};
  const char* colon = nullptr;
  if (line.size() >= 2 && isDecimalDigit(line[1])) {
    colon = static_cast<const char*>(std::memchr(line.data() + 1, ':', line.size() - 1));
  }
  if (colon == nullptr) {
    const std::string_view text = line.empty() ? line : line.substr(1);
    if (classifyLine(text) == 1) {
      out.kind = ListingLine::Kind::FlowError;
    }
    return;
  }
  LineCursor cursor(colon + 1, line.data() + line.size());
  out.setOffset(readHexAddress(cursor), mopBase_);
  const std::string_view cycle = cursor.word();
  const bool exec = cycle == "exec";
  const std::string_view data = exec ? std::string_view() : cursor.word();
  if (cycle.empty() || (!exec && data.empty())) {
    out.kind = ListingLine::Kind::Cut;  // the line has ended: no time follows
    return;
  }
  bool lessThanIgnored = false;
  out.delta = readTimestamp(cursor, false, lessThanIgnored);
  out.kind = exec ? ListingLine::Kind::Exec : ListingLine::Kind::Write;
  out.value = exec ? 0 : parseHexText(data);
}

void TlaLineParser::operator()(std::string_view line, ListingLine& out) const {
  out = ListingLine{};
  LineCursor cursor(line);
  if (sampleColumn_) {
    readColumn(cursor);
  }
  LineCursor probe = cursor;
  probe.skipSpace();
  if (probe.atEnd()) {
    return;  // a blank line carries no write
  }
  const std::string_view address = cursor.word();
  out.setOffset(parseHexText(address), mopBase_);
  cursor.ignore(4096, '\t');
  const std::string_view data = cursor.word();
  if (data.empty()) {
    out.kind = ListingLine::Kind::Cut;  // the line has ended: no time follows
    return;
  }
  cursor.ignore(4096, '\t');
  if (sampleColumn_) {
    cursor.ignore(255, ' ');
    cursor.ignore(256, '\t');
  }
  out.delta = readTimestamp(cursor, true, out.lessThan);
  out.kind = ListingLine::Kind::Write;
  out.value = parseHexText(data);
}

}  // namespace kelvor::listing
