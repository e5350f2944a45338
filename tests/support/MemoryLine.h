#pragma once

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "link/ByteLine.h"

namespace kelvor::test {

// One direction of an in-memory line.
struct ByteQueue {
  std::mutex mutex;
  std::condition_variable arrived;
  std::deque<std::uint8_t> bytes;
  bool broken = false;
};

// One end of an in-memory line between the PC side and the phone side: what one end writes the
// other reads. Breaking the line makes both ends fail from then on, as a pulled cable would.
class MemoryLine final : public ByteLine {
 public:
  MemoryLine(std::shared_ptr<ByteQueue> in, std::shared_ptr<ByteQueue> out, std::string name)
      : in_(std::move(in)), out_(std::move(out)), name_(std::move(name)) {}

  bool open(std::uint32_t baud) override {
    open_ = true;
    baud_ = baud;
    return true;
  }
  void close() override { open_ = false; }
  bool isOpen() const override { return open_; }
  bool setBaudRate(std::uint32_t baud) override {
    baud_ = baud;
    return open_;
  }
  bool write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds) override {
    std::lock_guard lock(out_->mutex);
    if (!open_ || out_->broken) {
      return false;
    }
    out_->bytes.insert(out_->bytes.end(), bytes.begin(), bytes.end());
    out_->arrived.notify_all();
    return true;
  }
  std::size_t read(std::span<std::uint8_t> buffer, std::chrono::milliseconds wait) override {
    std::unique_lock lock(in_->mutex);
    in_->arrived.wait_for(lock, wait, [&] { return !in_->bytes.empty() || in_->broken; });
    if (!open_ || in_->broken) {
      return 0;
    }
    const std::size_t count = std::min(buffer.size(), in_->bytes.size());
    std::copy_n(in_->bytes.begin(), count, buffer.begin());
    in_->bytes.erase(in_->bytes.begin(), in_->bytes.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
  }
  std::string errorText() const override { return in_->broken ? "the line broke" : ""; }
  std::string name() const override { return name_; }

  std::uint32_t baud() const { return baud_; }

 private:
  std::shared_ptr<ByteQueue> in_;
  std::shared_ptr<ByteQueue> out_;
  std::string name_;
  bool open_ = false;
  std::uint32_t baud_ = 0;
};

// The two directions of a line; ends are made for either side.
struct MemoryWire {
  std::shared_ptr<ByteQueue> toPhone = std::make_shared<ByteQueue>();
  std::shared_ptr<ByteQueue> toPc = std::make_shared<ByteQueue>();

  std::unique_ptr<MemoryLine> pcEnd() const {
    return std::make_unique<MemoryLine>(toPc, toPhone, "memory line");
  }
  std::unique_ptr<MemoryLine> phoneEnd() const {
    return std::make_unique<MemoryLine>(toPhone, toPc, "memory phone");
  }
  // Bytes that arrive on the PC side as if the phone had sent them.
  void injectToPc(std::initializer_list<std::uint8_t> bytes) const {
    std::lock_guard lock(toPc->mutex);
    toPc->bytes.insert(toPc->bytes.end(), bytes);
    toPc->arrived.notify_all();
  }
  void breakLine() const {
    for (const auto& queue : {toPhone, toPc}) {
      std::lock_guard lock(queue->mutex);
      queue->broken = true;
      queue->arrived.notify_all();
    }
  }
};

}  // namespace kelvor::test
