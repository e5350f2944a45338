#include "io/LineReader.h"

#include <algorithm>

namespace kelvor {

LineReader::LineReader(std::FILE* file, std::size_t blockSize)
    : file_(file), capacity_(std::max(blockSize, 4 * MaxLineLength)) {
  if (file_ != nullptr) {
    storage_.reset(new char[capacity_]);
  }
  block_ = current_ = end_ = storage_.get();
  endOfInput_ = file_ == nullptr;
}

LineReader::LineReader(std::string_view text) {
  block_ = current_ = text.data();
  end_ = text.data() + text.size();
  endOfInput_ = true;
}

bool LineReader::nextBlock(std::string_view& line) {
  const std::size_t available = static_cast<std::size_t>(end_ - current_);
  if (endOfInput_) {
    if (available == 0) {
      return false;
    }
    // The last line has no line break.
    const char* start = current_;
    lineStart_ = offset_ + static_cast<std::uint64_t>(start - block_);
    current_ = end_;
    if (skipping_) {
      skipping_ = false;
      return false;
    }
    line = cut(start, end_);
    delivered_ = true;
    return true;
  }
  if (skipping_) {
    // Still inside an over-long line: drop what is in hand.
    current_ = end_;
  } else if (available >= MaxLineLength + 2) {
    // An over-long line: its head (longer than any line kept, even after removing a CR) is handed
    // out now, the rest dropped up to its line break. The view stays valid until the next call.
    lineStart_ = offset_ + static_cast<std::uint64_t>(current_ - block_);
    line = {current_, MaxLineLength};
    current_ = end_;
    skipping_ = true;
    delivered_ = true;
    return true;
  }
  // Keep the partial line, move it to the front and read more behind it.
  const std::size_t kept = static_cast<std::size_t>(end_ - current_);
  char* front = storage_.get();
  offset_ += static_cast<std::uint64_t>(current_ - block_);
  if (kept != 0 && current_ != front) {
    std::memmove(front, current_, kept);
  }
  block_ = current_ = front;
  const std::size_t room = capacity_ - kept;
  const std::size_t got = std::fread(front + kept, 1, room, file_);
  end_ = front + kept + got;
  if (got == 0) {
    endOfInput_ = true;
  }
  return true;
}

}  // namespace kelvor
