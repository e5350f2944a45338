#include "link/SerialFraming.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvor::serial {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

Bytes concat(const std::vector<Bytes>& parts) {
  Bytes all;
  for (const Bytes& part : parts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

Bytes patterned(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  }
  return bytes;
}

TEST(SerialFraming, CrcHasTheCcittFalseCheckValue) {
  EXPECT_EQ(crc16(bytesOf("123456789")), 0x29B1);
  EXPECT_EQ(crc16({}), 0xFFFF);
  // Continuing from a partial CRC gives the CRC of the whole.
  const Bytes text = bytesOf("123456789");
  EXPECT_EQ(crc16(std::span(text).subspan(4), crc16(std::span(text).first(4))), 0x29B1);
}

TEST(SerialFraming, EncodesTheDocumentedLayout) {
  // The example frames of docs/serial-link.md. Data on SAPI 47 carrying E8:
  EXPECT_EQ(encodeFrame(dataChannel(47), Bytes{0xE8}),
            (Bytes{0x7E, 0x00, 0x2F, 0x01, 0x00, 0xE8, 0xBA, 0xB9}));
  // A ping request with sequence number 1 on handle 1.
  EXPECT_EQ(encodeFrame(RequestChannel, encodeControlRequest({ControlOp::PingMobile, 1, {1}})),
            (Bytes{0x7E, 0x01, 0x00, 0x06, 0x00, 0x07, 0x01, 0x01, 0x00, 0x00, 0x00, 0x13, 0x1A}));
  // GetCurrentBaudrate answered with 115200.
  EXPECT_EQ(encodeFrame(ReplyChannel,
                        encodeControlReply({ControlOp::GetCurrentBaudrate, 2, 1, {115200}, ""})),
            (Bytes{0x7E, 0x02, 0x00, 0x08, 0x00, 0x0D, 0x02, 0x01, 0x00, 0x00, 0xC2, 0x01, 0x00,
                   0xD9, 0xC0}));
}

TEST(SerialFraming, FramesRoundTripOnEveryChannelKindAndSize) {
  struct Case {
    const char* what;
    Channel channel;
    Bytes payload;
  };
  const Case cases[] = {
      {"empty data frame", dataChannel(0), {}},
      {"SAPI 255", dataChannel(255), Bytes{1, 2, 3}},
      {"payload full of start bytes", dataChannel(47), Bytes(40, FrameStart)},
      {"largest payload", dataChannel(1), patterned(MaxPayload)},
      {"control request", RequestChannel, Bytes{0x07, 0x01, 1, 0, 0, 0}},
      {"control reply", ReplyChannel, Bytes{0x07, 0x01, 1, 0}},
      {"empty control reply", ReplyChannel, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes encoded = encodeFrame(c.channel, c.payload);
    EXPECT_EQ(encoded.size(), HeaderSize + c.payload.size() + CrcSize);
    FrameParser parser;
    const auto frames = parser.feed(encoded);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], (Frame{c.channel, c.payload}));
    EXPECT_EQ(parser.droppedBytes(), 0u);
    EXPECT_EQ(parser.badFrames(), 0u);
    EXPECT_EQ(parser.pendingBytes(), 0u);
  }
}

TEST(SerialFraming, RefusesToEncodeWhatCannotBeFramed) {
  EXPECT_THROW(encodeFrame(dataChannel(1), Bytes(MaxPayload + 1)), std::invalid_argument);
  EXPECT_THROW(encodeFrame(Channel{ChannelKind::ControlRequest, 3}, {}), std::invalid_argument);
  EXPECT_THROW(encodeFrame(Channel{static_cast<ChannelKind>(3), 0}, {}), std::invalid_argument);
}

TEST(SerialFraming, AStreamSplitAnywhereGivesTheSameFrames) {
  const std::vector<Frame> sent{
      {dataChannel(47), Bytes{0xE8}},
      {RequestChannel, Bytes{0x07, 9, 1, 0, 0, 0}},
      {dataChannel(1), {}},
      {dataChannel(47), patterned(300)},
      {ReplyChannel, Bytes{0x07, 9, 1, 0}},
  };
  Bytes stream;
  for (const Frame& f : sent) {
    const Bytes encoded = encodeFrame(f.channel, f.payload);
    stream.insert(stream.end(), encoded.begin(), encoded.end());
  }
  // Two pieces split at every position, and one byte at a time.
  for (std::size_t split = 0; split <= stream.size(); ++split) {
    SCOPED_TRACE("split at " + std::to_string(split));
    FrameParser parser;
    auto frames = parser.feed(std::span(stream).first(split));
    const auto rest = parser.feed(std::span(stream).subspan(split));
    frames.insert(frames.end(), rest.begin(), rest.end());
    ASSERT_EQ(frames, sent);
    EXPECT_EQ(parser.droppedBytes(), 0u);
  }
  FrameParser parser;
  std::vector<Frame> frames;
  for (std::uint8_t byte : stream) {
    const auto got = parser.feed(std::span(&byte, 1));
    frames.insert(frames.end(), got.begin(), got.end());
  }
  EXPECT_EQ(frames, sent);
}

TEST(SerialFraming, GarbageBeforeAndBetweenFramesIsDroppedAndCounted) {
  const Bytes a = encodeFrame(dataChannel(47), Bytes{1, 2});
  const Bytes b = encodeFrame(RequestChannel, Bytes{0x02, 0});
  // The garbage holds start bytes with impossible headers and one whose CRC cannot match.
  const Bytes before{0x00, 0xFF, 0x7E, 0x09, 0x7E};
  const Bytes between{0x7E, 0x00, 0x01, 0x02, 0x00, 0xAA, 0xBB, 0x00, 0x00, 0x55};
  FrameParser parser;
  const auto frames = parser.feed(concat({before, a, between, b}));
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0], (Frame{dataChannel(47), Bytes{1, 2}}));
  EXPECT_EQ(frames[1], (Frame{RequestChannel, Bytes{0x02, 0}}));
  EXPECT_EQ(parser.droppedBytes(), before.size() + between.size());
  EXPECT_EQ(parser.goodFrames(), 2u);
  EXPECT_GE(parser.badFrames(), 2u);
}

TEST(SerialFraming, AFlippedBitDropsThatFrameAndTheNextOneIsFound) {
  const Bytes first = encodeFrame(dataChannel(47), patterned(20));
  const Bytes second = encodeFrame(dataChannel(47), Bytes{0xE8});
  // Every bit of the first frame after its start byte, one at a time.
  for (std::size_t bit = 8; bit < first.size() * 8; ++bit) {
    SCOPED_TRACE("bit " + std::to_string(bit));
    Bytes damaged = first;
    damaged[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    FrameParser parser;
    auto frames = parser.feed(concat({damaged, second}));
    // A flip that turns the length into a large one leaves the parser waiting for more bytes;
    // the frames that follow on the line carry it past.
    for (std::size_t i = 0; i <= MaxFrameSize / second.size() && frames.empty(); ++i) {
      const auto more = parser.feed(second);
      frames.insert(frames.end(), more.begin(), more.end());
    }
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0], (Frame{dataChannel(47), Bytes{0xE8}}));
    EXPECT_GE(parser.badFrames(), 1u);
    EXPECT_GE(parser.droppedBytes(), damaged.size());
  }
}

TEST(SerialFraming, AGoodFrameInsideTheSpanOfABrokenOneIsFound) {
  // A header left over from a broken frame announces 10 bytes; the good frame sent next lies
  // inside that span and must not be skipped with it.
  const Bytes broken{0x7E, 0x00, 0x01, 0x0A, 0x00};
  const Bytes good = encodeFrame(dataChannel(47), Bytes{0x8E});
  const Bytes tail(9, 0x00);
  FrameParser parser;
  const auto frames = parser.feed(concat({broken, good, tail}));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], (Frame{dataChannel(47), Bytes{0x8E}}));
  EXPECT_EQ(parser.badFrames(), 1u);
  EXPECT_EQ(parser.droppedBytes(), broken.size() + tail.size());
}

TEST(SerialFraming, AnImpossibleLengthIsABadFrameNotAWait) {
  // Announces MaxPayload + 1 bytes: dropped at once, the following frame parses.
  const Bytes impossible{0x7E, 0x00, 0x2F, static_cast<std::uint8_t>((MaxPayload + 1) & 0xFF),
                         static_cast<std::uint8_t>((MaxPayload + 1) >> 8)};
  const Bytes good = encodeFrame(dataChannel(2), Bytes{9});
  FrameParser parser;
  const auto frames = parser.feed(concat({impossible, good}));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].channel, dataChannel(2));
  EXPECT_EQ(parser.badFrames(), 1u);
  EXPECT_EQ(parser.droppedBytes(), impossible.size());
}

TEST(SerialFraming, MemoryStaysBoundedOnEndlessStartBytesAndLongWaits) {
  FrameParser parser;
  // A header announcing the largest payload, then never completed: the parser holds at most
  // one frame's worth whatever it is fed.
  const Bytes header{0x7E, 0x00, 0x01, static_cast<std::uint8_t>(MaxPayload & 0xFF),
                     static_cast<std::uint8_t>(MaxPayload >> 8)};
  parser.feed(header);
  parser.feed(Bytes(3 * MaxFrameSize, 0x7E));
  EXPECT_LE(parser.pendingBytes(), MaxFrameSize);
  EXPECT_EQ(parser.goodFrames(), 0u);
  // After a reset a frame parses again.
  parser.reset();
  EXPECT_EQ(parser.pendingBytes(), 0u);
  EXPECT_EQ(parser.feed(encodeFrame(dataChannel(3), {})).size(), 1u);
}

TEST(SerialFramingControl, RequestsAndRepliesRoundTripForEveryOperation) {
  struct Case {
    ControlOp op;
    std::vector<std::uint32_t> arguments;
    std::vector<std::uint32_t> results;
    std::string text;
  };
  const Case cases[] = {
      {ControlOp::Init, {0}, {}, ""},
      {ControlOp::InitThread, {}, {0x12345678}, ""},
      {ControlOp::OpenCom, {7, 2}, {2}, ""},
      {ControlOp::CloseCom, {7}, {}, ""},
      {ControlOp::DeInitThread, {7}, {}, ""},
      {ControlOp::SetPredefinedBootType, {320}, {321}, ""},
      {ControlOp::PingMobile, {7}, {}, ""},
      {ControlOp::OpenSapi, {7, 255}, {}, ""},
      {ControlOp::RequestMobAndPcBaudrate, {7, 921600}, {}, ""},
      {ControlOp::SetNewPcBaudrate, {7, 115200}, {}, ""},
      {ControlOp::SwitchMobileOn, {7, 0xFFFFFFFF}, {}, ""},
      {ControlOp::SwitchMobileOff, {7}, {}, ""},
      {ControlOp::GetCurrentBaudrate, {7}, {460800}, ""},
      {ControlOp::SwitchFromXtspToQflMode, {7}, {}, ""},
      {ControlOp::ReadConfData, {}, {1, 115200, 3}, ""},
      {ControlOp::WriteConfData, {1, 115200, 3, 1}, {}, ""},
      {ControlOp::VersionText, {}, {}, "serial link 1.0"},
      {ControlOp::VersionText, {}, {}, ""},
  };
  std::uint8_t sequence = 250;
  for (const Case& c : cases) {
    SCOPED_TRACE(controlOpName(static_cast<std::uint8_t>(c.op)));
    const ControlRequest request{c.op, sequence, c.arguments};
    const ControlReply reply{c.op, sequence, 0xBEEF, c.results, c.text};
    ++sequence;
    // Through a frame and the parser, as on the line.
    FrameParser parser;
    const auto frames =
        parser.feed(concat({encodeFrame(RequestChannel, encodeControlRequest(request)),
                            encodeFrame(ReplyChannel, encodeControlReply(reply))}));
    ASSERT_EQ(frames.size(), 2u);
    std::string error;
    EXPECT_EQ(decodeControlRequest(frames[0].payload, &error), request) << error;
    EXPECT_EQ(decodeControlReply(frames[1].payload, &error), reply) << error;
    EXPECT_EQ(frames[0].payload.size(), 2 + 4 * c.arguments.size());
  }
}

TEST(SerialFramingControl, MalformedPayloadsAreRefusedWithAReason) {
  struct Case {
    const char* what;
    bool reply;
    Bytes payload;
    const char* message;
  };
  const Case cases[] = {
      {"empty request", false, {}, "shorter than its 2-byte head"},
      {"unknown operation", false, {0x55, 0}, "unknown operation 0x55"},
      {"operation 0", true, {0x00, 0, 1, 0}, "unknown operation 0x00"},
      {"missing argument", false, {0x03, 0, 7, 0, 0, 0}, "OpenCom request has 6 bytes, not 10"},
      {"extra argument", false, {0x07, 0, 7, 0, 0, 0, 1}, "PingMobile request has 7 bytes"},
      {"SAPI over 255", false, {0x08, 0, 7, 0, 0, 0, 0, 1, 0, 0}, "SAPI 256 is over 255"},
      {"short reply", true, {0x07, 0, 1}, "shorter than its 4-byte head"},
      {"reply without its result", true, {0x0D, 0, 1, 0}, "GetCurrentBaudrate reply has 4 bytes"},
      {"text on another reply", true, {0x07, 0, 1, 0, 'x'}, "PingMobile reply has 5 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    const bool decoded = c.reply ? decodeControlReply(c.payload, &error).has_value()
                                 : decodeControlRequest(c.payload, &error).has_value();
    EXPECT_FALSE(decoded);
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(SerialFramingControl, EncodingChecksTheArgumentsAgainstTheOperation) {
  EXPECT_THROW(encodeControlRequest({ControlOp::OpenCom, 0, {7}}), std::invalid_argument);
  EXPECT_THROW(encodeControlRequest({ControlOp::OpenSapi, 0, {7, 256}}), std::invalid_argument);
  EXPECT_THROW(encodeControlRequest({static_cast<ControlOp>(0x40), 0, {}}), std::invalid_argument);
  EXPECT_THROW(encodeControlReply({ControlOp::PingMobile, 0, 1, {}, "text"}),
               std::invalid_argument);
  EXPECT_THROW(encodeControlReply({ControlOp::VersionText, 0, 1, {}, std::string(MaxPayload, 'v')}),
               std::invalid_argument);
}

}  // namespace
}  // namespace kelvor::serial
