#pragma once

#include <chrono>
#include <cstdint>
#include <set>
#include <vector>

#include "link/ByteLine.h"
#include "link/LinkLibrary.h"
#include "link/SerialFraming.h"

namespace kelvor {

// The phone's side of our serial link: serves a phone behind a LinkLibrary (a SimulatedPhone in
// kelvor-phone-sim and in tests) over a ByteLine. Requests are carried out on the phone with the
// server's own session handle (made at the first request and ended by CloseCom), data frames go
// to the phone's sendData, and whatever the phone has to send on the channels opened so far
// goes back as data frames. After a granted RequestMobAndPcBaudrate the reply is sent at the
// old rate and the line then changes to the new one.
class PhoneServer {
 public:
  // Frames read from the phone per channel and step; together they carry more than the
  // fastest phone produces in a step.
  static constexpr int MaxFramesPerStep = 16;

  PhoneServer(LinkLibrary& phone, ByteLine& line);

  // Handles what arrives within `wait`, then sends what the phone has to send.
  void step(std::chrono::milliseconds wait);

  std::uint64_t requestsServed() const { return requests_; }
  std::uint64_t framesSent() const { return framesSent_; }
  std::uint64_t badFrames() const { return parser_.badFrames(); }
  bool sessionOpen() const { return handle_ != 0; }

 private:
  void handle(const serial::Frame& frame);
  void serve(const serial::ControlRequest& request);
  serial::ControlReply carryOut(const serial::ControlRequest& request);
  LinkHandle session();
  void endSession();
  void sendPhoneData();
  void send(serial::Channel channel, std::span<const std::uint8_t> payload);

  LinkLibrary& phone_;
  ByteLine& line_;
  serial::FrameParser parser_;
  std::vector<std::uint8_t> readBuffer_;
  std::vector<std::uint8_t> chunk_;
  LinkHandle handle_ = 0;
  std::set<std::uint8_t> sapis_;
  std::uint64_t requests_ = 0;
  std::uint64_t framesSent_ = 0;
};

}  // namespace kelvor
