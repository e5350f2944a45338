#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kelvor {

// A byte stream to a phone: a serial device, a USB serial adapter or a pseudo-terminal. The
// serial link frames the link library's operations over it. Every call returns within a bounded
// time; one thread at a time uses a line, though not always the same thread (the link is opened
// on the user-interface thread and read on the recording thread).
class ByteLine {
 public:
  virtual ~ByteLine() = default;

  // Opens the line at `baud`, raw (no echo, no line editing, no flow control, 8 data bits, no
  // parity, one stop bit). False with errorText() set when it cannot be opened.
  virtual bool open(std::uint32_t baud) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // Changes the rate of the open line; false when the line refuses it.
  virtual bool setBaudRate(std::uint32_t baud) = 0;
  // Sends all of `bytes`, waiting at most `wait` for room; false on an error or a timeout.
  virtual bool write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds wait) = 0;
  // Reads what has arrived into `buffer`, waiting at most `wait` for the first byte; the number
  // of bytes read, 0 when nothing came in time or the line is closed or broken.
  virtual std::size_t read(std::span<std::uint8_t> buffer, std::chrono::milliseconds wait) = 0;
  // Why the last open, write or read failed, for messages.
  virtual std::string errorText() const = 0;
  // Where the line goes, for the about box and messages ("/dev/pts/3").
  virtual std::string name() const = 0;
};

}  // namespace kelvor
