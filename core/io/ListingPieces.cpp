#include "io/ListingPieces.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>
#include <stdexcept>

#include "common/ProgressSink.h"
#include "io/LineReader.h"

namespace kelvor::listing {

namespace {

// Bytes read at a time while looking for the line break that ends a piece: few at first (lines
// are short), more while none is found.
constexpr std::size_t FirstScanChunk = 256;
constexpr std::size_t LastScanChunk = 64 * 1024;
// The characters of a piece's last line kept beyond its nominal end at most: more than a line
// reader hands out, so that a line cut here reads as the whole line would.
constexpr std::uint64_t LastLineKept = LineReader::MaxLineLength + 2;

class FileRangeReader : public ByteRangeReader {
 public:
  explicit FileRangeReader(const std::string& path) {
    // Unbuffered: the pieces are read in large blocks straight into the reader's buffer.
    file_.rdbuf()->pubsetbuf(nullptr, 0);
    file_.open(path, std::ios::binary);
    if (!file_) {
      throw std::runtime_error("Can not open File!");
    }
  }

  std::string_view read(std::uint64_t from, std::size_t count) override {
    if (count > capacity_) {
      buffer_.reset();  // the old block goes before the larger one comes
      buffer_.reset(new char[count]);
      capacity_ = count;
    }
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(from));
    file_.read(buffer_.get(), static_cast<std::streamsize>(count));
    const auto got = file_.gcount();
    return {buffer_.get(), got > 0 ? static_cast<std::size_t>(got) : 0};
  }

 private:
  std::ifstream file_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
};

class FileInput : public ListingInput {
 public:
  FileInput(const std::string& path, std::uint64_t size) : path_(path), size_(size) {}
  std::uint64_t size() const override { return size_; }
  std::unique_ptr<ByteRangeReader> open() const override {
    return std::make_unique<FileRangeReader>(path_);
  }

 private:
  std::string path_;
  std::uint64_t size_;
};

class TextRangeReader : public ByteRangeReader {
 public:
  explicit TextRangeReader(std::string_view text) : text_(text) {}
  std::string_view read(std::uint64_t from, std::size_t count) override {
    if (from >= text_.size()) {
      return {};
    }
    return text_.substr(static_cast<std::size_t>(from), count);
  }

 private:
  std::string_view text_;
};

class TextInput : public ListingInput {
 public:
  explicit TextInput(std::string_view text) : text_(text) {}
  std::uint64_t size() const override { return text_.size(); }
  std::unique_ptr<ByteRangeReader> open() const override {
    return std::make_unique<TextRangeReader>(text_);
  }

 private:
  std::string_view text_;
};

constexpr std::uint64_t NoBreak = std::numeric_limits<std::uint64_t>::max();

// Where the line after the first line break in [from, limit) starts; NoBreak when there is none.
std::uint64_t afterBreak(ByteRangeReader& reader, std::uint64_t from, std::uint64_t limit) {
  std::uint64_t at = from;
  for (std::size_t scan = FirstScanChunk; at < limit;
       scan = scan < LastScanChunk ? 2 * scan : scan) {
    const std::uint64_t count = std::min<std::uint64_t>(scan, limit - at);
    const std::string_view chunk = reader.read(at, static_cast<std::size_t>(count));
    if (chunk.empty()) {
      break;
    }
    if (const void* found = std::memchr(chunk.data(), '\n', chunk.size())) {
      return at + static_cast<std::uint64_t>(static_cast<const char*>(found) - chunk.data()) + 1;
    }
    at += chunk.size();
  }
  return NoBreak;
}

}  // namespace

std::unique_ptr<ListingInput> fileInput(const std::string& path, std::uint64_t size) {
  return std::make_unique<FileInput>(path, size);
}

std::unique_ptr<ListingInput> textInput(std::string_view text) {
  return std::make_unique<TextInput>(text);
}

std::uint64_t nextPercentStart(std::uint64_t done, std::uint64_t total) {
  const std::uint64_t percent = ProgressReporter::percentOf(done, total);
  if (percent >= 100) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  // The percent grows with the offset and reaches 100 at the total: search (done, total].
  std::uint64_t low = done;  // its percent is not higher
  std::uint64_t high = total > done ? total : done + 1;
  while (high - low > 1) {
    const std::uint64_t middle = low + (high - low) / 2;
    if (ProgressReporter::percentOf(middle, total) > percent) {
      high = middle;
    } else {
      low = middle;
    }
  }
  return high;
}

Piece readPiece(ByteRangeReader& reader, const PieceLayout& layout, std::size_t index) {
  // Piece i starts after the first line break at or after one byte before its nominal start. A
  // piece without such a break before the next nominal start is empty: the line running through
  // it belongs to a piece before it. So each piece looks only at its own bytes, plus the rest of
  // its last line.
  Piece piece;
  const std::uint64_t nominalEnd = layout.nominalStart(index + 1);
  piece.start = layout.nominalStart(index);
  if (index != 0 && piece.start < layout.end) {
    piece.start = afterBreak(reader, piece.start - 1, nominalEnd - 1);
  }
  if (piece.start == NoBreak || piece.start >= nominalEnd) {
    piece.start = nominalEnd;
    piece.last = nominalEnd >= layout.end;
    return piece;
  }
  const std::uint64_t next =
      nominalEnd >= layout.end
          ? layout.end
          : std::min(afterBreak(reader, nominalEnd - 1, layout.end), layout.end);
  piece.last = next >= layout.end;
  // Beyond the next nominal start only the head of the last line is needed.
  const std::uint64_t kept = next - nominalEnd > LastLineKept ? nominalEnd + LastLineKept : next;
  piece.text = reader.read(piece.start, static_cast<std::size_t>(kept - piece.start));
  return piece;
}
}  // namespace kelvor::listing
