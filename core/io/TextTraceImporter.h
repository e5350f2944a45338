#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ProgressSink.h"
#include "common/Prompter.h"
#include "common/TextCursor.h"
#include "common/TextNumbers.h"
#include "common/TraceFileType.h"
#include "io/LineReader.h"
#include "io/ListingLines.h"
#include "io/MopWrite.h"
#include "model/EventStream.h"

namespace kelvor {

// The kinds of text trace the importer reads: Tla, Etm and Mes; any other type reads nothing.
using TextTraceFormat = TraceFileType;

namespace listing {

class ListingInput;
struct ProgressMark;

// The heading of a logic-analyser listing: a heading line, then the line of column titles. Whether
// the first title is "Sample" (a sample column before the address and a fourth column before the
// time); nothing when the input ends before both lines.
std::optional<bool> tlaHeading(LineReader& reader);
// The heading of an event export: the first line holding a word. Whether that word is "MES" (the
// tab form); nothing when no line holds a word.
std::optional<bool> mesHeading(LineReader& reader);

}  // namespace listing

// When a large listing is read on several threads. Both ways give the same events, messages and
// result; small inputs are read on the calling thread, which saves starting the threads.
struct ParallelReading {
  std::uint64_t minimumSize = 4 * 1024 * 1024;  // smaller inputs are read on the calling thread
  std::uint64_t pieceSize = 16 * 1024 * 1024;   // the bytes of input each thread takes at a time
  unsigned threads = 0;                         // 0: one per core, and none on a single core
};

// What an import needs from outside.
struct ImportContext {
  Prompter* prompter = nullptr;          // errors and the MOP-area question; may be null
  ProgressSink* progress = nullptr;      // may be null
  std::optional<std::uint32_t> mopBase;  // the MOP-area base; nothing when none is configured
  ParallelReading parallel;
};

enum class ImportStatus {
  Read,           // the input was read to its end
  NoBaseAddress,  // nothing was read: no MOP-area base is configured
  CannotOpen,     // nothing was read: the file could not be opened
  Abandoned,      // the user stopped at the MOP-area question; the events before it stay
};

// What an import found, for the loader to apply to the program's state.
struct ImportResult {
  ImportStatus status = ImportStatus::Read;
  // A '<' stood for a time below the listing's resolution; the user is to be told after the load.
  bool lessThanSeen = false;
  // The ids of the START_PROC events appended.
  SeenIdTable seenIds;
  // Events appended to the stream.
  std::size_t events = 0;
  // The texts of the errors, warnings and questions put to the user during the import, in order
  // (also when no prompter was there to show them).
  std::vector<std::string> messagesShown;

  // Whether the data read are worth no save question: nothing was read, the user stopped the
  // import, or the input held no event (an empty file, a listing without MOP-area writes).
  bool nothingToSave() const { return status != ImportStatus::Read || events == 0; }
};

// Reads a whole ETM listing (.prn), logic analyser listing (.txt) or event export (.mes) and
// appends its events to the stream it is given. Every failure is reported to the user through the
// context's prompter as it happens and leaves the events read up to that point. One importer
// reads one input.
class TextTraceImporter {
 public:
  static constexpr const char* NoBaseAddressText =
      "Error: Base address of MOP area is not specified!\n";
  static constexpr const char* CannotOpenText = "Can not open File!";

  TextTraceImporter(EventStream& stream, const ImportContext& context);
  TextTraceImporter(const TextTraceImporter&) = delete;
  TextTraceImporter& operator=(const TextTraceImporter&) = delete;

  // Reads the file at `path`; the format follows the path's last three characters.
  ImportResult importFile(const std::string& path);
  // Reads `contents` as a file of the given format would be read (no file is opened).
  ImportResult importText(TextTraceFormat format, std::string_view contents);

  // Turns a write at `offset` within the MOP area into at most one event at the current time.
  void decodeWrite(std::uint32_t offset, std::string_view data) {
    mop_.decode(offset, parseHexText(data), currentTime_);
  }

  const EventStream& stream() const { return stream_; }
  // What was found so far (the ids seen by decodeWrite, for instance).
  const ImportResult& result() const { return result_; }
  std::uint32_t mopBase() const { return mopBase_; }
  double currentTime() const { return currentTime_; }

 private:
  // Clears the '<' flag and reads the MOP-area base; false (after telling the user) when the base
  // address is not set.
  bool prepare();
  // The result so far, with the count of events appended.
  ImportResult finish();
  // Reads the input on several threads when the context allows it for its size and format;
  // false, having read nothing, when it is to be read on the calling thread.
  bool readInPieces(TextTraceFormat format, const listing::ListingInput& input);
  void startReading(TextTraceFormat format, std::uint64_t size);
  void read(TextTraceFormat format, LineReader& reader, std::uint64_t size);
  void readTla(LineReader& reader);
  void readEtm(LineReader& reader);
  void readMes(LineReader& reader);
  using TakeLine = bool (TextTraceImporter::*)(const listing::ListingLine&);
  // Reads the listing lines to the end of the input (or until `take` returns false); a cut line
  // is taken only when another line follows it.
  template <class Parser>
  void readListing(LineReader& reader, const Parser& parse, TakeLine take);
  // Take a line in file order: advance the time, check the MOP-area address after the first
  // data lines, count the line and decode its write; false when the user stops the import at the
  // address question.
  bool takeEtmLine(const listing::ListingLine& line);
  bool takeTlaLine(const listing::ListingLine& line);
  bool takeMesLine(const listing::MesLine& line);
  // Takes the lines of a piece read on another thread, counting them and posting the progress as
  // a sequential read does; false when the user stops the import.
  template <class Record, class Take>
  bool takePiece(const std::vector<Record>& lines, const std::vector<listing::ProgressMark>& marks,
                 Take take);
  bool takeTlaWrite(std::uint32_t offset, std::uint32_t value);
  bool takeEtmWrite(std::uint32_t offset, bool exec, std::uint32_t value);
  // The address check over the first data lines, apart from the writes taken afterwards; false
  // when the user stops the import.
  bool checkTlaAddress();
  bool checkEtmAddress(std::uint32_t offset);
  void reportFlowError();
  void reserveFor(TextTraceFormat format, std::uint64_t size);
  void append(const TraceEvent& event) { stream_.append(event); }

  // Progress is looked at every this many lines.
  static constexpr std::uint64_t ProgressLineStep = 100;
  // Counts a line and, every ProgressLineStep lines, posts progress when the whole percent has
  // grown.
  void countLine(const LineReader& reader) {
    if (++linesRead_ % ProgressLineStep == 0) {
      progress_.update(reader.lineStart(), inputSize_);
    }
  }
  // Shows a message through the prompter and keeps its text in the result.
  void tell(const std::string& text, const char* caption, PromptIcon icon);
  // Asks whether to go on with a base address that matches few lines; false when the user says
  // No, in which case the import is abandoned.
  bool continueWithAddress(const std::string& text, const char* caption);
  void appendStartProc(double time, std::uint16_t id) {
    kelvor::appendStartProc(stream_, result_.seenIds, time, id);
  }

  EventStream& stream_;
  ImportContext context_;
  const std::size_t firstEvent_;  // events the stream held before the import
  ImportResult result_;
  std::uint32_t mopBase_ = 0;
  double currentTime_ = 0.0;

  std::uint64_t linesRead_ = 0;
  std::uint32_t dataLines_ = 0;
  std::uint32_t inRangeLines_ = 0;
  bool addressChecked_ = false;
  bool flowErrorShown_ = false;

  std::uint64_t inputSize_ = 0;
  ProgressReporter progress_;
  MopWriteDecoder mop_;
};

}  // namespace kelvor
