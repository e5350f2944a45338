#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The framing of Kelvor's own serial link: the link library's operations carried over a byte
// stream (a serial device or a pseudo-terminal). docs/serial-link.md describes the wire format
// for whoever writes the other side.
//
// A frame on the wire:
//   0x7E | kind | sapi | length (u16, little endian) | payload | CRC-16 (u16, little endian)
// The CRC is CRC-16/CCITT-FALSE (polynomial 0x1021, initial 0xFFFF, not reflected, no final
// xor) over kind, sapi, length and payload.
namespace kelvor::serial {

inline constexpr std::uint8_t FrameStart = 0x7E;
// The largest payload of one frame; a frame announcing more is impossible and is dropped.
inline constexpr std::size_t MaxPayload = 8192;
// Start, kind, sapi and the two length bytes.
inline constexpr std::size_t HeaderSize = 5;
inline constexpr std::size_t CrcSize = 2;
inline constexpr std::size_t MaxFrameSize = HeaderSize + MaxPayload + CrcSize;
// Bytes either side of the link takes from its line per read: a few of the largest frames.
inline constexpr std::size_t LineReadBlock = 4 * MaxFrameSize;

// What a frame carries: data on a SAPI of the phone, or a link control request or reply (the
// library functions that are not data). Other kind bytes make a frame impossible.
enum class ChannelKind : std::uint8_t { Data = 0x00, ControlRequest = 0x01, ControlReply = 0x02 };

// The channel of a frame. The SAPI is any of 0..255 for data and 0 for control frames.
struct Channel {
  ChannelKind kind = ChannelKind::Data;
  std::uint8_t sapi = 0;
  friend bool operator==(const Channel&, const Channel&) = default;
};

constexpr Channel dataChannel(std::uint8_t sapi) {
  return {ChannelKind::Data, sapi};
}
inline constexpr Channel RequestChannel{ChannelKind::ControlRequest, 0};
inline constexpr Channel ReplyChannel{ChannelKind::ControlReply, 0};

struct Frame {
  Channel channel;
  std::vector<std::uint8_t> payload;
  friend bool operator==(const Frame&, const Frame&) = default;
};

// CRC-16/CCITT-FALSE of `bytes`, continuing from `crc`; the check value of "123456789" is
// 0x29B1.
std::uint16_t crc16(std::span<const std::uint8_t> bytes, std::uint16_t crc = 0xFFFF);

// The bytes of one frame. Throws std::invalid_argument for a payload longer than MaxPayload or
// a control frame whose SAPI is not 0.
std::vector<std::uint8_t> encodeFrame(Channel channel, std::span<const std::uint8_t> payload);

// Turns a byte stream, fed in pieces split anywhere, into frames. Bytes before a start byte are
// dropped; a frame with an unknown kind, a non-zero SAPI on a control frame, a length over
// MaxPayload or a wrong CRC counts as bad, and the search for the next start byte resumes one
// byte after its start, so that a good frame hidden inside a bad one is still found. It holds
// at most MaxFrameSize bytes between calls.
class FrameParser {
 public:
  // The frames completed by `bytes`, in stream order.
  std::vector<Frame> feed(std::span<const std::uint8_t> bytes);

  // Bytes that were not part of a good frame, including the start bytes of bad frames.
  std::uint64_t droppedBytes() const { return droppedBytes_; }
  // Frames dropped for an impossible header or a wrong CRC.
  std::uint64_t badFrames() const { return badFrames_; }
  std::uint64_t goodFrames() const { return goodFrames_; }
  // Bytes held for a frame not complete yet.
  std::size_t pendingBytes() const { return buffer_.size() - head_; }
  // Forgets the bytes held, for example after the line was reopened; keeps the counts.
  void reset();

 private:
  void parse(std::vector<Frame>& out);
  void dropBytes(std::size_t count);

  std::vector<std::uint8_t> buffer_;
  std::size_t head_ = 0;  // first byte of buffer_ not consumed yet
  std::uint64_t droppedBytes_ = 0;
  std::uint64_t badFrames_ = 0;
  std::uint64_t goodFrames_ = 0;
};

// The link control vocabulary: one operation per library function that is not plain data
// (sendData and readData travel as data frames on their SAPI). A request carries the operation,
// a sequence number the reply repeats, and the function's arguments as u32 values; the reply
// carries the same operation and sequence number, the function's 16-bit status and its results
// as u32 values (plus the text for VersionText).
enum class ControlOp : std::uint8_t {
  Init = 0x01,                     // args: mode
  InitThread = 0x02,               // results: handle (0 on failure); status 1
  OpenCom = 0x03,                  // args: handle, port; results: port
  CloseCom = 0x04,                 // args: handle
  DeInitThread = 0x05,             // args: handle
  SetPredefinedBootType = 0x06,    // args: boot type; results: value; status 1
  PingMobile = 0x07,               // args: handle
  OpenSapi = 0x08,                 // args: handle, sapi (0..255)
  RequestMobAndPcBaudrate = 0x09,  // args: handle, baud
  SetNewPcBaudrate = 0x0A,         // args: handle, baud
  SwitchMobileOn = 0x0B,           // args: handle, boot type
  SwitchMobileOff = 0x0C,          // args: handle
  GetCurrentBaudrate = 0x0D,       // args: handle; results: baud
  SwitchFromXtspToQflMode = 0x0E,  // args: handle
  ReadConfData = 0x0F,             // results: port, baud, third
  WriteConfData = 0x10,            // args: port, baud, third, flag
  VersionText = 0x11,              // results: none; the reply ends with the text (UTF-8)
};

struct ControlSignature {
  std::uint8_t arguments;
  std::uint8_t results;
};

// The number of u32 arguments and results of `op`; nullopt for a byte that is no operation.
std::optional<ControlSignature> controlSignature(std::uint8_t op);
// The operation's name, for messages; "unknown operation 0x.." for other bytes.
std::string controlOpName(std::uint8_t op);

struct ControlRequest {
  ControlOp op = ControlOp::Init;
  std::uint8_t sequence = 0;
  std::vector<std::uint32_t> arguments;
  friend bool operator==(const ControlRequest&, const ControlRequest&) = default;
};

struct ControlReply {
  ControlOp op = ControlOp::Init;
  std::uint8_t sequence = 0;
  std::uint16_t status = 0;
  std::vector<std::uint32_t> results;
  std::string text;  // VersionText only
  friend bool operator==(const ControlReply&, const ControlReply&) = default;
};

// The payloads of control frames. Throw std::invalid_argument when the number of arguments or
// results does not match the operation, a SAPI is over 255, text is given for another
// operation or the payload would exceed MaxPayload.
std::vector<std::uint8_t> encodeControlRequest(const ControlRequest& request);
std::vector<std::uint8_t> encodeControlReply(const ControlReply& reply);

// Decode a control payload; on malformed input they return nullopt and, when `error` is given,
// say why.
std::optional<ControlRequest> decodeControlRequest(std::span<const std::uint8_t> payload,
                                                   std::string* error = nullptr);
std::optional<ControlReply> decodeControlReply(std::span<const std::uint8_t> payload,
                                               std::string* error = nullptr);

}  // namespace kelvor::serial
