#include "link/SerialFraming.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <stdexcept>

namespace kelvor::serial {

namespace {

bool knownKind(std::uint8_t kind) {
  return kind <= static_cast<std::uint8_t>(ChannelKind::ControlReply);
}

bool validChannel(std::uint8_t kind, std::uint8_t sapi) {
  return knownKind(kind) && (kind == static_cast<std::uint8_t>(ChannelKind::Data) || sapi == 0);
}

void putU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
  }
}

std::uint16_t getU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t getU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct OpInfo {
  const char* name;
  ControlSignature signature;
};

// Indexed by operation code; entry 0 is no operation.
constexpr std::array<OpInfo, 0x12> opTable{{
    {nullptr, {0, 0}},
    {"Init", {1, 0}},
    {"InitThread", {0, 1}},
    {"OpenCom", {2, 1}},
    {"CloseCom", {1, 0}},
    {"DeInitThread", {1, 0}},
    {"SetPredefinedBootType", {1, 1}},
    {"PingMobile", {1, 0}},
    {"OpenSapi", {2, 0}},
    {"RequestMobAndPcBaudrate", {2, 0}},
    {"SetNewPcBaudrate", {2, 0}},
    {"SwitchMobileOn", {2, 0}},
    {"SwitchMobileOff", {1, 0}},
    {"GetCurrentBaudrate", {1, 1}},
    {"SwitchFromXtspToQflMode", {1, 0}},
    {"ReadConfData", {0, 3}},
    {"WriteConfData", {4, 0}},
    {"VersionText", {0, 0}},
}};

void fail(std::string* error, std::string message) {
  if (error != nullptr) {
    *error = std::move(message);
  }
}

// Operation, sequence and the u32 values common to requests and replies.
constexpr std::size_t RequestFixed = 2;
constexpr std::size_t ReplyFixed = 4;

}  // namespace

std::uint16_t crc16(std::span<const std::uint8_t> bytes, std::uint16_t crc) {
  for (std::uint8_t byte : bytes) {
    crc = static_cast<std::uint16_t>(crc ^ (byte << 8));
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) != 0 ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                : static_cast<std::uint16_t>(crc << 1);
    }
  }
  return crc;
}

std::vector<std::uint8_t> encodeFrame(Channel channel, std::span<const std::uint8_t> payload) {
  if (payload.size() > MaxPayload) {
    throw std::invalid_argument("frame payload of " + std::to_string(payload.size()) +
                                " bytes exceeds the maximum of " + std::to_string(MaxPayload));
  }
  if (!knownKind(static_cast<std::uint8_t>(channel.kind))) {
    throw std::invalid_argument("unknown frame kind " +
                                std::to_string(static_cast<unsigned>(channel.kind)));
  }
  if (!validChannel(static_cast<std::uint8_t>(channel.kind), channel.sapi)) {
    throw std::invalid_argument("control frames are sent with SAPI 0, not " +
                                std::to_string(channel.sapi));
  }
  std::vector<std::uint8_t> frame;
  frame.reserve(HeaderSize + payload.size() + CrcSize);
  frame.push_back(FrameStart);
  frame.push_back(static_cast<std::uint8_t>(channel.kind));
  frame.push_back(channel.sapi);
  putU16(frame, static_cast<std::uint16_t>(payload.size()));
  frame.insert(frame.end(), payload.begin(), payload.end());
  putU16(frame, crc16(std::span(frame).subspan(1)));
  return frame;
}

std::vector<Frame> FrameParser::feed(std::span<const std::uint8_t> bytes) {
  std::vector<Frame> frames;
  while (!bytes.empty()) {
    if (head_ > 0) {
      buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(head_));
      head_ = 0;
    }
    // After parse the bytes held are less than one frame, so there is always room.
    const std::size_t room = MaxFrameSize - buffer_.size();
    const std::size_t take = std::min(room, bytes.size());
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
    bytes = bytes.subspan(take);
    parse(frames);
  }
  return frames;
}

void FrameParser::reset() {
  droppedBytes_ += pendingBytes();
  buffer_.clear();
  head_ = 0;
}

void FrameParser::dropBytes(std::size_t count) {
  head_ += count;
  droppedBytes_ += count;
}

void FrameParser::parse(std::vector<Frame>& out) {
  for (;;) {
    const auto begin = buffer_.begin() + static_cast<std::ptrdiff_t>(head_);
    const auto start = std::find(begin, buffer_.end(), FrameStart);
    dropBytes(static_cast<std::size_t>(start - begin));
    const std::size_t available = buffer_.size() - head_;
    if (available < HeaderSize) {
      break;
    }
    const std::uint8_t* p = buffer_.data() + head_;
    const std::size_t length = getU16(p + 3);
    if (!validChannel(p[1], p[2]) || length > MaxPayload) {
      ++badFrames_;
      dropBytes(1);
      continue;
    }
    const std::size_t total = HeaderSize + length + CrcSize;
    if (available < total) {
      break;
    }
    const std::uint16_t expected = getU16(p + HeaderSize + length);
    if (crc16(std::span(p + 1, HeaderSize - 1 + length)) != expected) {
      ++badFrames_;
      dropBytes(1);
      continue;
    }
    Frame frame;
    frame.channel = {static_cast<ChannelKind>(p[1]), p[2]};
    frame.payload.assign(p + HeaderSize, p + HeaderSize + length);
    out.push_back(std::move(frame));
    ++goodFrames_;
    head_ += total;
  }
  if (head_ == buffer_.size()) {
    buffer_.clear();
    head_ = 0;
  }
}

std::optional<ControlSignature> controlSignature(std::uint8_t op) {
  if (op == 0 || op >= opTable.size()) {
    return std::nullopt;
  }
  return opTable[op].signature;
}

std::string controlOpName(std::uint8_t op) {
  if (controlSignature(op)) {
    return opTable[op].name;
  }
  char text[32];
  std::snprintf(text, sizeof text, "unknown operation 0x%02X", op);
  return text;
}

namespace {

void checkCount(ControlOp op, std::size_t given, std::size_t wanted, const char* what) {
  if (given != wanted) {
    throw std::invalid_argument(controlOpName(static_cast<std::uint8_t>(op)) + " takes " +
                                std::to_string(wanted) + " " + what + ", not " +
                                std::to_string(given));
  }
}

ControlSignature signatureOrThrow(ControlOp op) {
  const auto signature = controlSignature(static_cast<std::uint8_t>(op));
  if (!signature) {
    throw std::invalid_argument(controlOpName(static_cast<std::uint8_t>(op)));
  }
  return *signature;
}

bool sapiArgumentOk(ControlOp op, const std::vector<std::uint32_t>& arguments) {
  return op != ControlOp::OpenSapi || arguments.size() < 2 || arguments[1] <= 0xFF;
}

}  // namespace

std::vector<std::uint8_t> encodeControlRequest(const ControlRequest& request) {
  const ControlSignature signature = signatureOrThrow(request.op);
  checkCount(request.op, request.arguments.size(), signature.arguments, "arguments");
  if (!sapiArgumentOk(request.op, request.arguments)) {
    throw std::invalid_argument("OpenSapi: SAPI " + std::to_string(request.arguments[1]) +
                                " is over 255");
  }
  std::vector<std::uint8_t> payload;
  payload.push_back(static_cast<std::uint8_t>(request.op));
  payload.push_back(request.sequence);
  for (std::uint32_t value : request.arguments) {
    putU32(payload, value);
  }
  return payload;
}

std::vector<std::uint8_t> encodeControlReply(const ControlReply& reply) {
  const ControlSignature signature = signatureOrThrow(reply.op);
  checkCount(reply.op, reply.results.size(), signature.results, "results");
  if (!reply.text.empty() && reply.op != ControlOp::VersionText) {
    throw std::invalid_argument(controlOpName(static_cast<std::uint8_t>(reply.op)) +
                                " replies carry no text");
  }
  const std::size_t size = ReplyFixed + 4 * reply.results.size() + reply.text.size();
  if (size > MaxPayload) {
    throw std::invalid_argument("a reply of " + std::to_string(size) +
                                " bytes does not fit in one frame");
  }
  std::vector<std::uint8_t> payload;
  payload.reserve(size);
  payload.push_back(static_cast<std::uint8_t>(reply.op));
  payload.push_back(reply.sequence);
  putU16(payload, reply.status);
  for (std::uint32_t value : reply.results) {
    putU32(payload, value);
  }
  payload.insert(payload.end(), reply.text.begin(), reply.text.end());
  return payload;
}

std::optional<ControlRequest> decodeControlRequest(std::span<const std::uint8_t> payload,
                                                   std::string* error) {
  if (payload.size() < RequestFixed) {
    fail(error, "control request of " + std::to_string(payload.size()) +
                    " bytes is shorter than its 2-byte head");
    return std::nullopt;
  }
  const auto signature = controlSignature(payload[0]);
  if (!signature) {
    fail(error, "control request: " + controlOpName(payload[0]));
    return std::nullopt;
  }
  const std::size_t wanted = RequestFixed + 4u * signature->arguments;
  if (payload.size() != wanted) {
    fail(error, controlOpName(payload[0]) + " request has " + std::to_string(payload.size()) +
                    " bytes, not " + std::to_string(wanted));
    return std::nullopt;
  }
  ControlRequest request;
  request.op = static_cast<ControlOp>(payload[0]);
  request.sequence = payload[1];
  for (std::size_t i = 0; i < signature->arguments; ++i) {
    request.arguments.push_back(getU32(payload.data() + RequestFixed + 4 * i));
  }
  if (!sapiArgumentOk(request.op, request.arguments)) {
    fail(error, "OpenSapi request: SAPI " + std::to_string(request.arguments[1]) + " is over 255");
    return std::nullopt;
  }
  return request;
}

std::optional<ControlReply> decodeControlReply(std::span<const std::uint8_t> payload,
                                               std::string* error) {
  if (payload.size() < ReplyFixed) {
    fail(error, "control reply of " + std::to_string(payload.size()) +
                    " bytes is shorter than its 4-byte head");
    return std::nullopt;
  }
  const auto signature = controlSignature(payload[0]);
  if (!signature) {
    fail(error, "control reply: " + controlOpName(payload[0]));
    return std::nullopt;
  }
  const std::size_t fixed = ReplyFixed + 4u * signature->results;
  const bool hasText = payload[0] == static_cast<std::uint8_t>(ControlOp::VersionText);
  if (hasText ? payload.size() < fixed : payload.size() != fixed) {
    fail(error, controlOpName(payload[0]) + " reply has " + std::to_string(payload.size()) +
                    " bytes, not " + std::to_string(fixed));
    return std::nullopt;
  }
  ControlReply reply;
  reply.op = static_cast<ControlOp>(payload[0]);
  reply.sequence = payload[1];
  reply.status = getU16(payload.data() + 2);
  for (std::size_t i = 0; i < signature->results; ++i) {
    reply.results.push_back(getU32(payload.data() + ReplyFixed + 4 * i));
  }
  reply.text.assign(payload.begin() + static_cast<std::ptrdiff_t>(fixed), payload.end());
  return reply;
}

}  // namespace kelvor::serial
