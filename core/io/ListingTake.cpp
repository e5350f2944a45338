// How the importer takes the lines of a listing in file order: read on this thread, or read in
// pieces into per-line records on worker threads and taken here through the same take functions,
// so that both ways give the same result.
#include <algorithm>
#include <optional>
#include <string>
#include <thread>

#include "io/ListingLines.h"
#include "io/ListingPieces.h"
#include "io/PieceDecoding.h"
#include "io/TextTraceImporter.h"

namespace kelvor {

using namespace listing;

namespace {

constexpr const char* AddressHintText =
    "Select 'Configuration\\Properties\\Address of MOP-Area' to set the valid address.\n\n";
constexpr const char* ContinueText = "Continue with this address?";
// Data lines looked at before the MOP-area address is questioned.
constexpr std::uint64_t AddressCheckLines = 50;
// The start of an input in which its heading lines are looked for; an input whose heading goes
// on beyond it is read on the calling thread.
constexpr std::size_t HeadingLimit = 1024 * 1024;

// The last line of the input ends it: a cut line there carries no write.
void finishListing(listing::ListingLine& last) {
  if (last.kind == listing::ListingLine::Kind::Cut) {
    last.kind = listing::ListingLine::Kind::Nothing;
  }
}

void finishMes(listing::MesLine&) {}

}  // namespace

template <class Record, class Take>
bool TextTraceImporter::takePiece(const std::vector<Record>& lines,
                                  const std::vector<ProgressMark>& marks, Take take) {
  std::size_t mark = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (++linesRead_ % ProgressLineStep == 0) {
      while (mark + 1 < marks.size() && marks[mark + 1].line <= i) {
        ++mark;
      }
      progress_.update(marks[mark].start, inputSize_);
    }
    if (!take(lines[i])) {
      return false;
    }
  }
  return true;
}

bool TextTraceImporter::readInPieces(TextTraceFormat format, const listing::ListingInput& input) {
  const ParallelReading& options = context_.parallel;
  const std::uint64_t size = input.size();
  if (size == 0 || size < options.minimumSize || options.pieceSize == 0) {
    return false;
  }
  const unsigned threads =
      options.threads != 0 ? options.threads : std::thread::hardware_concurrency();
  if (threads < 1 || (options.threads == 0 && threads < 2)) {
    return false;
  }
  // The heading lines tell how the lines after them are read.
  std::optional<bool> form;
  std::uint64_t bodyStart = 0;
  if (format == TextTraceFormat::Tla || format == TextTraceFormat::Mes) {
    const std::unique_ptr<ByteRangeReader> reader = input.open();
    const std::string_view head =
        reader->read(0, static_cast<std::size_t>(std::min<std::uint64_t>(size, HeadingLimit)));
    LineReader lines(head);
    form = format == TextTraceFormat::Tla ? tlaHeading(lines) : mesHeading(lines);
    bodyStart = lines.position();
    if (!form || bodyStart == 0 || head[bodyStart - 1] != '\n') {
      return false;  // no heading, or one that does not end within the head
    }
  } else if (format != TextTraceFormat::Etm) {
    return false;
  }

  startReading(format, size);
  PieceLayout layout;
  layout.bodyStart = bodyStart;
  layout.end = size;
  layout.pieceSize = options.pieceSize;

  switch (format) {
    case TextTraceFormat::Etm:
      decodeInPieces<ListingLine>(
          input, layout, threads, EtmLineParser(mopBase_), finishListing,
          [this](DecodedPiece<ListingLine>& piece) {
            return takePiece(piece.lines, piece.marks,
                             [this](const ListingLine& line) { return takeEtmLine(line); });
          });
      break;
    case TextTraceFormat::Tla:
      decodeInPieces<ListingLine>(
          input, layout, threads, TlaLineParser(mopBase_, *form), finishListing,
          [this](DecodedPiece<ListingLine>& piece) {
            return takePiece(piece.lines, piece.marks,
                             [this](const ListingLine& line) { return takeTlaLine(line); });
          });
      break;
    case TextTraceFormat::Mes:
      decodeInPieces<MesLine>(input, layout, threads, MesLineParser(*form), finishMes,
                              [this](DecodedPiece<MesLine>& piece) {
                                return takePiece(
                                    piece.lines, piece.marks,
                                    [this](const MesLine& line) { return takeMesLine(line); });
                              });
      break;
    case TextTraceFormat::None:
    case TextTraceFormat::Run:
      break;
  }
  return true;
}

template <class Parser>
void TextTraceImporter::readListing(LineReader& reader, const Parser& parse, TakeLine take) {
  std::string_view line;
  ListingLine record;
  // A line that ends before its data word is taken (with empty data) only when another line
  // follows: the last line of a listing cut short by the end of the file carries no write.
  std::optional<ListingLine> cut;
  while (reader.next(line)) {
    if (cut) {
      if (!(this->*take)(*cut)) {
        return;
      }
      cut.reset();
    }
    countLine(reader);
    parse(line, record);
    if (record.kind == ListingLine::Kind::Cut) {
      cut = record;
    } else if (!(this->*take)(record)) {
      return;
    }
  }
}

void TextTraceImporter::readTla(LineReader& reader) {
  if (const std::optional<bool> sampleColumn = tlaHeading(reader)) {
    readListing(reader, TlaLineParser(mopBase_, *sampleColumn), &TextTraceImporter::takeTlaLine);
  }
}

void TextTraceImporter::readEtm(LineReader& reader) {
  readListing(reader, EtmLineParser(mopBase_), &TextTraceImporter::takeEtmLine);
}

bool TextTraceImporter::takeTlaLine(const ListingLine& line) {
  switch (line.kind) {
    case ListingLine::Kind::Write:
    case ListingLine::Kind::Exec:
      result_.lessThanSeen = result_.lessThanSeen || line.lessThan;
      currentTime_ += line.delta;
      return takeTlaWrite(line.offset, line.value);
    case ListingLine::Kind::Cut:
      return takeTlaWrite(line.offset, 0);
    case ListingLine::Kind::Nothing:
    case ListingLine::Kind::FlowError:
      break;
  }
  return true;
}

bool TextTraceImporter::takeTlaWrite(std::uint32_t offset, std::uint32_t value) {
  if (dataLines_ <= AddressCheckLines && !checkTlaAddress()) {
    return false;
  }
  ++dataLines_;
  mop_.decode(offset, value, currentTime_);
  return true;
}

bool TextTraceImporter::checkTlaAddress() {
  if (!addressChecked_ && dataLines_ == AddressCheckLines) {
    addressChecked_ = true;
    const std::size_t found = stream_.size() - firstEvent_;
    if (found < 5) {
      const std::string text = "In 50 lines only " + std::to_string(found) +
                               " valid events found!\n\n"
                               " It seems that the address of the MOP-area is not correct.\n"
                               " " +
                               AddressHintText + " " + ContinueText;
      return continueWithAddress(text, "Error MOP-area address");
    }
  }
  return true;
}

bool TextTraceImporter::takeEtmLine(const ListingLine& line) {
  switch (line.kind) {
    case ListingLine::Kind::Write:
      currentTime_ += line.delta;
      return takeEtmWrite(line.offset, false, line.value);
    case ListingLine::Kind::Exec:
      currentTime_ += line.delta;
      return takeEtmWrite(line.offset, true, 0);
    case ListingLine::Kind::Cut:
      return takeEtmWrite(line.offset, false, 0);
    case ListingLine::Kind::FlowError:
      if (!flowErrorShown_) {
        reportFlowError();
      }
      break;
    case ListingLine::Kind::Nothing:
      break;
  }
  return true;
}

void TextTraceImporter::reportFlowError() {
  flowErrorShown_ = true;
  tell("Some FLOW ERRORs detected in the .prn file @Line " + std::to_string(linesRead_) +
           " ! the results might not be as expected :-(, \n",
       "Trace File Parsing Error !", PromptIcon::Warning);
}

bool TextTraceImporter::takeEtmWrite(std::uint32_t offset, bool exec, std::uint32_t value) {
  ++dataLines_;
  if (dataLines_ <= AddressCheckLines && !checkEtmAddress(offset)) {
    return false;
  }
  if (!exec) {
    mop_.decode(offset, value, currentTime_);
  }
  return true;
}

bool TextTraceImporter::checkEtmAddress(std::uint32_t offset) {
  if (dataLines_ < AddressCheckLines && offset <= 40) {
    ++inRangeLines_;
  }
  if (!addressChecked_ && dataLines_ == AddressCheckLines) {
    addressChecked_ = true;
    if (inRangeLines_ <= 5) {
      const std::string text = "In 50 lines only " + std::to_string(inRangeLines_) +
                               " events with right MOP-Area Address found\n"
                               "It seems that the address of the MOP-Area is not correct.\n " +
                               AddressHintText + " " + ContinueText;
      return continueWithAddress(text, "Error MOP-Area address");
    }
  }
  return true;
}

bool TextTraceImporter::takeMesLine(const MesLine& line) {
  if (line.setsTime) {
    currentTime_ = line.event.time;
  }
  if (line.hasEvent) {
    if (line.event.kind == EventKind::START_PROC) {
      appendStartProc(line.event.time, line.event.id);
    } else {
      append(line.event);
    }
  }
  return true;
}

}  // namespace kelvor
