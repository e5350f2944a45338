// The serial frame parser on arbitrary bytes fed in arbitrary pieces: every frame it yields
// must encode back to bytes that parse to the same frame, the counts must add up with the bytes
// fed, and the bytes held stay within one frame.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "link/SerialFraming.h"

namespace {

void check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kelvor::serial;
  std::span<const std::uint8_t> input(data, size);
  if (input.empty()) {
    return 0;
  }
  // The first byte seeds the piece sizes; the rest is the stream.
  std::uint32_t state = input[0] * 2654435761u + 1;
  std::span<const std::uint8_t> stream = input.subspan(1);

  FrameParser parser;
  std::vector<Frame> frames;
  std::size_t framedBytes = 0;
  while (!stream.empty()) {
    state = state * 1103515245u + 12345u;
    // Mostly small pieces, sometimes large ones.
    const std::size_t limit = (state >> 28) == 0 ? 4096 : 17;
    const std::size_t piece = std::min(stream.size(), 1 + (state >> 8) % limit);
    for (Frame& frame : parser.feed(stream.first(piece))) {
      framedBytes += HeaderSize + frame.payload.size() + CrcSize;
      frames.push_back(std::move(frame));
    }
    stream = stream.subspan(piece);
    check(parser.pendingBytes() < MaxFrameSize);
  }
  check(parser.goodFrames() == frames.size());
  check(framedBytes + parser.droppedBytes() + parser.pendingBytes() == size - 1);

  for (const Frame& frame : frames) {
    check(frame.payload.size() <= MaxPayload);
    const std::vector<std::uint8_t> encoded = encodeFrame(frame.channel, frame.payload);
    FrameParser again;
    const auto reparsed = again.feed(encoded);
    check(reparsed.size() == 1 && reparsed[0] == frame);
    // Control payloads either decode and encode back to the same bytes, or are refused.
    if (frame.channel == RequestChannel) {
      if (const auto request = decodeControlRequest(frame.payload)) {
        check(encodeControlRequest(*request) == frame.payload);
      }
    } else if (frame.channel == ReplyChannel) {
      if (const auto reply = decodeControlReply(frame.payload)) {
        check(encodeControlReply(*reply) == frame.payload);
      }
    }
  }
  return 0;
}
