#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

namespace kelvor {

// Hands out the lines of a text one at a time, without their line break (LF or CR LF), either
// reading an open file in large blocks or walking a text held in memory. Nothing is allocated per
// line: a line is a view into the reader's block and stays valid until the next call of next().
// A line longer than MaxLineLength is cut to its first MaxLineLength characters and the rest of it
// is dropped, so a malformed line never runs into the next one and the result does not depend on
// where the blocks end.
class LineReader {
 public:
  static constexpr std::size_t MaxLineLength = 64 * 1024;
  static constexpr std::size_t DefaultBlockSize = 8 * 1024 * 1024;

  // Reads the file from its current position; the caller keeps the file open and closes it.
  explicit LineReader(std::FILE* file, std::size_t blockSize = DefaultBlockSize);
  // Walks a text that outlives the reader.
  explicit LineReader(std::string_view text);
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line; false at the end of the input. A read error counts as the end.
  bool next(std::string_view& line) {
    for (;;) {
      const std::size_t available = static_cast<std::size_t>(end_ - current_);
      const char* lineEnd = available != 0
                                ? static_cast<const char*>(std::memchr(current_, '\n', available))
                                : nullptr;
      if (lineEnd != nullptr) {
        const char* start = current_;
        lineStart_ = offset_ + static_cast<std::uint64_t>(start - block_);
        current_ = lineEnd + 1;
        if (skipping_) {
          skipping_ = false;
          continue;
        }
        line = cut(start, lineEnd);
        return true;
      }
      if (!nextBlock(line)) {
        return false;
      }
      if (delivered_) {
        delivered_ = false;
        return true;
      }
    }
  }

  // Where the line last handed out starts, counted in bytes from the start of the input.
  std::uint64_t lineStart() const { return lineStart_; }
  // Bytes consumed so far: where the next line starts.
  std::uint64_t position() const { return offset_ + static_cast<std::uint64_t>(current_ - block_); }

 private:
  static std::string_view cut(const char* start, const char* stop) {
    if (stop != start && stop[-1] == '\r') {
      --stop;
    }
    const std::size_t length = static_cast<std::size_t>(stop - start);
    return {start, length < MaxLineLength ? length : MaxLineLength};
  }
  // Handles a block without a line break: the last line of the input, the head of an over-long
  // line, or a refill. Returns false at the end of the input.
  bool nextBlock(std::string_view& line);

  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> storage_;  // the block buffer when reading a file
  std::size_t capacity_ = 0;
  const char* block_ = nullptr;    // the first byte of the block in hand
  const char* current_ = nullptr;  // where the next line starts
  const char* end_ = nullptr;      // one past the last byte of the block
  std::uint64_t offset_ = 0;       // input position of block_
  std::uint64_t lineStart_ = 0;
  bool endOfInput_ = false;
  bool skipping_ = false;   // dropping the rest of an over-long line
  bool delivered_ = false;  // nextBlock() has set the line
};

}  // namespace kelvor
