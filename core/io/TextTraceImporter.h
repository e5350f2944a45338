#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "analysis/StatisticsEngine.h"
#include "common/ProgressSink.h"
#include "common/TextCursor.h"
#include "io/LineReader.h"
#include "io/MopWrite.h"

namespace kelvor {

struct Session;

// The kinds of text trace the importer reads, chosen by the last three characters of a path.
enum class TextTraceFormat {
  None,  // any other ending: nothing is read
  Tla,   // "txt": logic-analyser listing
  Etm,   // "prn": ETM trace listing
  Mes,   // "mes": event export
};

// "txt", "prn" and "mes" as the path's last three characters, compared exactly.
TextTraceFormat textTraceFormatOf(std::string_view path);

namespace listing {

// 1 for a FLOW ERROR line, 2 for a TRACE ENABLE line, 0 for any other: the text from its first
// upper-case 'F' or 'T' must begin, ignoring case, with the phrase.
int classifyLine(std::string_view text);

}  // namespace listing

// The engine of an imported text trace: constructing it reads a whole ETM listing (.prn), logic
// analyser listing (.txt) or event export (.mes) into its stream. Every failure is reported to the
// user through the session's prompter and leaves the events read up to that point.
class TextTraceImporter : public StatisticsEngine {
 public:
  static constexpr const char* NoBaseAddressText =
      "Error: Base address of MOP area is not specified!\n";
  static constexpr const char* CannotOpenText = "Can not open File!";

  // Reads the file at `path`; the format follows the path's last three characters.
  TextTraceImporter(Session& session, const std::string& path);
  // Reads `contents` as a file of the given format would be read (no file is opened).
  TextTraceImporter(Session& session, TextTraceFormat format, std::string_view contents);

  // Turns a write at `offset` within the MOP area into at most one event at the current time.
  void decodeWrite(std::uint32_t offset, std::string_view data) {
    mop_.decode(offset, data, currentTime_);
  }

  std::uint32_t mopBase() const { return mopBase_; }
  double currentTime() const { return currentTime_; }

 private:
  // Clears the '<' flag and reads the MOP-area base; false (after telling the user) when the base
  // address is not set.
  bool prepare();
  void read(TextTraceFormat format, LineReader& reader, std::uint64_t size);
  void readTla(LineReader& reader);
  void readEtm(LineReader& reader);
  void readMes(LineReader& reader);
  void readMesTabLine(std::string_view line);
  void readMesLegacyLine(std::string_view line);
  void appendMesEvent(std::string_view name, std::uint32_t key, std::uint32_t value, double clock);
  void reserveFor(TextTraceFormat format, std::uint64_t size);

  // Counts a line and, every 100 lines, posts progress when the whole percent has grown.
  void countLine(const LineReader& reader) {
    if (++linesRead_ % 100 == 0) {
      progress_.update(reader.lineStart(), inputSize_);
    }
  }
  // Asks whether to go on with a base address that matches few lines; false when the user says
  // No, in which case the import is abandoned.
  bool continueWithAddress(const std::string& text, const char* caption);
  void appendStartProc(double time, std::uint16_t id);

  Session& session_;
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
