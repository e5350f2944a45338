#pragma once

#include <memory>
#include <string>

#include "link/ByteLine.h"

namespace kelvor::phonesim {

// A ByteLine on a POSIX file descriptor: the master side of a pseudo-terminal made here, or a
// serial device opened by path.
class PosixLine final : public ByteLine {
 public:
  // A new pseudo-terminal; its slave device (slavePath()) is what the PC side opens. The slave
  // is held open here too, so that the line survives the PC side closing and reopening it.
  static std::unique_ptr<PosixLine> openPseudoTerminal(std::string& error);
  // A serial device, opened by open(baud).
  explicit PosixLine(std::string devicePath);
  ~PosixLine() override;
  PosixLine(const PosixLine&) = delete;
  PosixLine& operator=(const PosixLine&) = delete;

  const std::string& slavePath() const { return slavePath_; }

  bool open(std::uint32_t baud) override;
  void close() override;
  bool isOpen() const override { return fd_ >= 0; }
  bool setBaudRate(std::uint32_t baud) override;
  bool write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds wait) override;
  std::size_t read(std::span<std::uint8_t> buffer, std::chrono::milliseconds wait) override;
  std::string errorText() const override { return error_; }
  std::string name() const override { return pseudo_ ? slavePath_ : devicePath_; }

 private:
  PosixLine() = default;
  void fail(const std::string& what);

  std::string devicePath_;
  std::string slavePath_;
  bool pseudo_ = false;
  int fd_ = -1;
  int slaveFd_ = -1;
  std::string error_;
};

}  // namespace kelvor::phonesim
