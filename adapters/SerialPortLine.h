#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "link/ByteLine.h"

class QByteArray;
class QObject;
class QSerialPort;
class QThread;

namespace kelvor {

// A byte line on a serial device or a pseudo-terminal's slave device, through QSerialPort.
//
// A QSerialPort may only be used on the thread it lives in, while a line is opened on one thread
// and read and written on another. So the port lives in a thread of its own that runs an event
// loop: open, close and setBaudRate are carried out there and return its answer; bytes that
// arrive are kept in a buffer that read takes from; write hands its bytes to that thread and
// waits until the port has passed them to the device.
//
// The port's thread needs the program's QCoreApplication (Qt delivers no events without one);
// a line made before it exists, or without one, fails to open and says so in errorText().
class SerialPortLine final : public ByteLine {
 public:
  // `device` is a path or a port name: "/dev/ttyUSB0", "/dev/pts/7", "COM3".
  explicit SerialPortLine(std::string device);
  ~SerialPortLine() override;
  SerialPortLine(const SerialPortLine&) = delete;
  SerialPortLine& operator=(const SerialPortLine&) = delete;

  bool open(std::uint32_t baud) override;
  void close() override;
  bool isOpen() const override;
  bool setBaudRate(std::uint32_t baud) override;
  // Bytes the time ran out on stay queued in the port and still go out.
  bool write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds wait) override;
  // Bytes that arrived before the line broke are still handed out; then 0 without waiting.
  std::size_t read(std::span<std::uint8_t> buffer, std::chrono::milliseconds wait) override;
  std::string errorText() const override;
  std::string name() const override { return device_; }

 private:
  // Runs `task` on the port's thread and returns its answer; false when there is no such thread.
  bool runOnPortThread(const std::function<bool()>& task);
  void setError(std::string text);
  // With mutex_ held, on a line that is not open: the error text says so, unless it already says
  // why the line was lost or cannot be served.
  void noteNotOpen();

  // On the port's thread.
  void createPort();
  bool openPort(std::uint32_t baud);
  void closePort();
  void send(const QByteArray& bytes);
  void takeArrivedBytes();
  void countWritten(std::int64_t count);
  // Ends the open line after a failure of the port; `why` completes the error text.
  void portFailed(const std::string& why);

  const std::string device_;
  std::unique_ptr<QThread> thread_;
  // Whether thread_ runs and takes calls; set once by the constructor.
  bool served_ = false;
  // Lives on thread_ and is the parent of port_, which only thread_ touches.
  std::unique_ptr<QObject> context_;
  QSerialPort* port_ = nullptr;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  // Guarded by mutex_. open_ turns false on close and when the port fails; lost_ tells the two
  // apart until the next open or close.
  bool open_ = false;
  bool lost_ = false;
  std::deque<std::uint8_t> arrived_;
  // Bytes handed to the port and bytes it has passed to the device since the line was opened.
  std::uint64_t bytesQueued_ = 0;
  std::uint64_t bytesWritten_ = 0;
  std::string error_;
};

}  // namespace kelvor
