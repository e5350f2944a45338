#pragma once

// Reads the pieces of a listing on worker threads into per-line records and hands the decoded
// pieces, in input order, to the calling thread, which takes their lines as a sequential read
// would. At most a few pieces are held decoded ahead of the one being taken, so the memory stays
// bounded whatever the size of the input.
#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "common/ProgressSink.h"
#include "io/LineReader.h"
#include "io/ListingPieces.h"

namespace kelvor::listing {

template <class Record>
struct DecodedPiece {
  std::vector<Record> lines;  // one record per line
  std::vector<ProgressMark> marks;
  std::exception_ptr error;  // what stopped the decoding of this piece
  bool ready = false;
};

// The input bytes held decoded ahead of the piece being taken, when the pieces are small.
inline constexpr std::uint64_t AheadBytes = 64 * 1024 * 1024;

// Decodes every piece of the layout with `parse` (a function of a line and the record to fill,
// safe to call from several threads), then calls `finish(record)` on the last record of the
// input, and calls `take(piece)` for each piece in order on the calling thread until it returns
// false. An error thrown while decoding a piece is thrown again here when that piece is due.
template <class Record, class Parser, class Finish, class Take>
void decodeInPieces(const ListingInput& input, const PieceLayout& layout, unsigned threads,
                    const Parser& parse, Finish finish, Take take) {
  const std::size_t count = layout.count();
  if (count == 0) {
    return;
  }
  threads = std::max(
      1u, std::min<unsigned>(threads, static_cast<unsigned>(std::min<std::size_t>(count, 64))));
  // Pieces decoded ahead of the one being taken: enough to keep every thread busy, and for small
  // pieces enough that the threads seldom wait for each other.
  const std::size_t window = std::max<std::size_t>(
      threads + 2,
      static_cast<std::size_t>(std::min<std::uint64_t>(64, AheadBytes / layout.pieceSize)));
  std::vector<DecodedPiece<Record>> slots(window);
  std::mutex mutex;
  std::condition_variable readyChanged;
  std::condition_variable roomChanged;
  std::size_t nextPiece = 0;
  std::size_t taken = 0;
  std::size_t awaited = count;  // the piece the taking thread waits for; count when none
  unsigned waitingForRoom = 0;
  bool stop = false;

  const auto decode = [&](ByteRangeReader& reader, std::size_t index, DecodedPiece<Record>& out) {
    const Piece piece = readPiece(reader, layout, index);
    LineReader lines(piece.text);
    std::string_view line;
    std::uint64_t markAt = 0;  // the first line always carries a mark
    while (lines.next(line)) {
      const std::uint64_t start = piece.start + lines.lineStart();
      if (start >= markAt) {
        out.marks.push_back({out.lines.size(), start});
        markAt = nextPercentStart(start, layout.end);
      }
      out.lines.emplace_back();
      parse(line, out.lines.back());
    }
    if (piece.last && !out.lines.empty()) {
      finish(out.lines.back());
    }
  };
  const auto work = [&] {
    std::unique_ptr<ByteRangeReader> reader;
    std::exception_ptr openError;
    try {
      reader = input.open();
    } catch (...) {
      openError = std::current_exception();
    }
    for (;;) {
      std::size_t index = 0;
      {
        std::unique_lock lock(mutex);
        ++waitingForRoom;
        roomChanged.wait(lock,
                         [&] { return stop || nextPiece >= count || nextPiece < taken + window; });
        --waitingForRoom;
        if (stop || nextPiece >= count) {
          return;
        }
        index = nextPiece++;
      }
      DecodedPiece<Record>& out = slots[index % window];
      try {
        if (openError) {
          std::rethrow_exception(openError);
        }
        decode(*reader, index, out);
      } catch (...) {
        out.error = std::current_exception();
      }
      bool wake = false;
      {
        const std::lock_guard lock(mutex);
        out.ready = true;
        wake = awaited == index;
      }
      if (wake) {
        readyChanged.notify_one();
      }
    }
  };

  std::vector<std::thread> workers;
  // Stops and joins the workers however the taking ends.
  struct Join {
    std::vector<std::thread>& workers;
    std::mutex& mutex;
    bool& stop;
    std::condition_variable& roomChanged;
    ~Join() {
      {
        const std::lock_guard lock(mutex);
        stop = true;
      }
      roomChanged.notify_all();
      for (std::thread& worker : workers) {
        worker.join();
      }
    }
  } join{workers, mutex, stop, roomChanged};
  for (unsigned i = 0; i < threads; ++i) {
    workers.emplace_back(work);
  }

  for (std::size_t index = 0; index < count; ++index) {
    DecodedPiece<Record>& piece = slots[index % window];
    {
      std::unique_lock lock(mutex);
      awaited = index;
      readyChanged.wait(lock, [&] { return piece.ready; });
      awaited = count;
    }
    if (piece.error) {
      std::rethrow_exception(piece.error);
    }
    const bool goOn = take(piece);
    // The slot keeps its storage for the piece that comes into it next.
    piece.lines.clear();
    piece.marks.clear();
    bool wake = false;
    {
      const std::lock_guard lock(mutex);
      piece.ready = false;
      taken = index + 1;
      wake = waitingForRoom != 0;
    }
    if (wake) {
      roomChanged.notify_all();
    }
    if (!goOn) {
      return;
    }
  }
}

}  // namespace kelvor::listing
