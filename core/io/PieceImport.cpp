// The importer's reading of a large input on several threads: the pieces of the input are read
// into per-line records on worker threads, and this thread takes the records in file order
// through the same take functions a sequential read uses, so both give the same result.
#include <algorithm>
#include <optional>
#include <thread>

#include "io/ListingLines.h"
#include "io/ListingPieces.h"
#include "io/PieceDecoding.h"
#include "io/TextTraceImporter.h"

namespace kelvor {

namespace {

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

template <class Record>
bool TextTraceImporter::takePiece(const std::vector<Record>& lines,
                                  const std::vector<listing::ProgressMark>& marks,
                                  bool (TextTraceImporter::*take)(const Record&)) {
  std::size_t mark = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (++linesRead_ % ProgressLineStep == 0) {
      while (mark + 1 < marks.size() && marks[mark + 1].line <= i) {
        ++mark;
      }
      progress_.update(marks[mark].start, inputSize_);
    }
    if (!(this->*take)(lines[i])) {
      return false;
    }
  }
  return true;
}

bool TextTraceImporter::readInPieces(TextTraceFormat format, const listing::ListingInput& input) {
  using namespace listing;
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
  const auto takeListing = [this](TakeLine take) {
    return [this, take](DecodedPiece<ListingLine>& piece) {
      return takePiece(piece.lines, piece.marks, take);
    };
  };
  switch (format) {
    case TextTraceFormat::Etm:
      decodeInPieces<ListingLine>(input, layout, threads, EtmLineParser(mopBase_), finishListing,
                                  takeListing(&TextTraceImporter::takeEtmLine));
      break;
    case TextTraceFormat::Tla:
      decodeInPieces<ListingLine>(input, layout, threads, TlaLineParser(mopBase_, *form),
                                  finishListing, takeListing(&TextTraceImporter::takeTlaLine));
      break;
    case TextTraceFormat::Mes:
      decodeInPieces<MesLine>(input, layout, threads, MesLineParser(*form), finishMes,
                              [this](DecodedPiece<MesLine>& piece) {
                                return takePiece(piece.lines, piece.marks,
                                                 &TextTraceImporter::takeMesLine);
                              });
      break;
    case TextTraceFormat::None:
    case TextTraceFormat::Run:
      break;
  }
  return true;
}

}  // namespace kelvor
