#pragma once

// A listing cut into pieces at line breaks, so that its lines can be read on several threads.
// Piece i holds the lines that start after the line break at or after its nominal start
// (bodyStart + i x pieceSize, less one byte) up to the same point of piece i + 1: every line
// belongs to exactly one piece, wherever the nominal borders fall, and a piece may be empty.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kelvor::listing {

// Reads byte ranges of one input; one reader per thread.
class ByteRangeReader {
 public:
  virtual ~ByteRangeReader() = default;
  // The bytes [from, from + count), fewer where the input ends; valid until the next call.
  virtual std::string_view read(std::uint64_t from, std::size_t count) = 0;
};

// The input being read: a file or a text in memory.
class ListingInput {
 public:
  virtual ~ListingInput() = default;
  virtual std::uint64_t size() const = 0;
  // A reader of its own for the calling thread; throws when the input cannot be read.
  virtual std::unique_ptr<ByteRangeReader> open() const = 0;
};

// A file of the given size (read with standard streams, one per reader).
std::unique_ptr<ListingInput> fileInput(const std::string& path, std::uint64_t size);
// A text that outlives the input and its readers (read in place).
std::unique_ptr<ListingInput> textInput(std::string_view text);

struct PieceLayout {
  std::uint64_t bodyStart = 0;  // where the first line after any heading lines starts
  std::uint64_t end = 0;        // the size of the input
  std::uint64_t pieceSize = 1;

  std::size_t count() const {
    return bodyStart >= end
               ? 0
               : static_cast<std::size_t>((end - bodyStart + pieceSize - 1) / pieceSize);
  }
  std::uint64_t nominalStart(std::size_t index) const {
    const std::uint64_t offset = bodyStart + static_cast<std::uint64_t>(index) * pieceSize;
    return offset < end ? offset : end;
  }
};

struct Piece {
  // The piece's lines. A last line longer than any line kept may be cut short (it keeps more
  // characters than a line reader hands out, so it reads the same).
  std::string_view text;
  std::uint64_t start = 0;  // input offset of the text
  bool last = false;        // no line follows the piece in the input
};

// The first line of a piece whose start reaches a whole percent of the input that the lines
// before it did not: the percent a sequential read posts at any line is that of the last mark at
// or before it.
struct ProgressMark {
  std::size_t line = 0;     // index within the piece
  std::uint64_t start = 0;  // input offset where the line starts
};

// The smallest input offset above `done` whose percent of `total` (see ProgressReporter) is
// higher than that of `done`; the largest offset when there is none.
std::uint64_t nextPercentStart(std::uint64_t done, std::uint64_t total);

// Locates piece `index` of the layout and reads it.
Piece readPiece(ByteRangeReader& reader, const PieceLayout& layout, std::size_t index);

}  // namespace kelvor::listing
