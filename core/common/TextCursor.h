#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kelvor {

// The white space every text reader skips: blanks, TABs, line feeds, CRs, vertical tabs and form
// feeds.
inline bool isTextSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\n';
}

inline bool isDecimalDigit(char c) {
  return c >= '0' && c <= '9';
}

// A position inside one line of text, and the character-level readers the listings need. They
// never leave the line: a field missing at the line end reads as empty.
struct LineCursor {
  const char* at;
  const char* end;

  explicit LineCursor(std::string_view line) : at(line.data()), end(line.data() + line.size()) {}
  LineCursor(const char* begin, const char* stop) : at(begin), end(stop) {}

  bool atEnd() const { return at == end; }
  std::string_view rest() const { return {at, static_cast<std::size_t>(end - at)}; }
  static bool isSpace(char c) { return isTextSpace(c); }
  // Skips white space (see isTextSpace).
  void skipSpace() {
    const char* p = at;
    while (p != end && isSpace(*p)) {
      ++p;
    }
    at = p;
  }
  // Skips white space, then returns the run of characters up to the next white space.
  std::string_view word() {
    skipSpace();
    const char* start = at;
    const char* p = at;
    while (p != end && !isSpace(*p)) {
      ++p;
    }
    at = p;
    return {start, static_cast<std::size_t>(p - start)};
  }
  // Skips at most `limit` characters, stopping after the first `delimiter`.
  void ignore(std::size_t limit, char delimiter) {
    const std::size_t available = static_cast<std::size_t>(end - at);
    const char* stop = at + (available < limit ? available : limit);
    const char* p = at;
    while (p != stop && *p != delimiter) {
      ++p;
    }
    at = p != stop ? p + 1 : stop;
  }
};

// An unsigned decimal integer as a stream reads it: white space, then digits, all of which are
// consumed. Nothing when no digit follows or the number does not fit 32 bits.
std::optional<std::uint32_t> readUnsigned(LineCursor& cursor);

// A signed decimal integer (white space, optional sign, digits) that fits 32 bits; nothing
// otherwise.
std::optional<std::int32_t> readSigned(LineCursor& cursor);

namespace listing {

// Longest column text kept by readColumn; longer columns are cut to it.
inline constexpr std::size_t MaxColumnLength = 127;

// One word (cut to MaxColumnLength characters), then everything up to and including the next TAB
// (at most 4096 characters).
std::string_view readColumn(LineCursor& cursor);

// The longest run of 0-9 and upper-case A-F, as a hexadecimal number; 0 for an empty run.
std::uint32_t readHexAddress(LineCursor& cursor);

// A time difference such as "12.5 us" in seconds: digits and '.' are kept, other characters are
// skipped until a unit letter (s, m, u, n, p) ends the value and the rest of the line. With the
// '<' rule on, a '<' stands for a value below the resolution: the value becomes 1 in its unit and
// `lessThanSeen` is set. A line without a unit letter gives 0.0.
double readTimestamp(LineCursor& cursor, bool lessThanRule, bool& lessThanSeen);

}  // namespace listing

// A read position over a whole text with the error flags of a formatted input stream: `eof` once
// an operation ran into the end of the text, `fail` once an extraction failed. While either flag
// is set every operation fails without consuming anything, until clear(). Every successful
// operation consumes at least one character, so loops over them end. Words, white space and
// numbers follow the rules of LineCursor.
class TextCursor {
 public:
  explicit TextCursor(std::string_view text) : text_(text), cursor_(text) {}

  bool eof() const { return eof_; }
  void clear() { eof_ = fail_ = false; }

  // A whitespace-delimited word.
  bool readWord(std::string_view& word);
  // An unsigned decimal number; leaves `value` as it was when there is none or it overflows.
  bool readUnsigned(std::uint32_t& value);
  // Consumes characters up to and including the next `delimiter` (or to the end of the text).
  void ignoreThrough(char delimiter);
  // The next character without consuming it; -1 at the end of the text or after a failure.
  int peek();
  // Consumes up to `count` characters (fewer at the end of the text, which is a failure).
  std::string_view readChars(std::size_t count);
  // Consumes up to `count` characters, stopping before a line end; reading none is a failure.
  std::string_view readInLine(std::size_t count);

 private:
  // Whether an operation may run; a blocked operation marks the failure.
  bool begin();
  // Skips white space; false (end and failure) when the text ends first.
  bool skipSpace();
  std::size_t available() const { return static_cast<std::size_t>(cursor_.end - cursor_.at); }

  std::string_view text_;
  LineCursor cursor_;
  bool eof_ = false;
  bool fail_ = false;
};

}  // namespace kelvor
