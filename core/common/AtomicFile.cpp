#include "common/AtomicFile.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace kelvor {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

std::string temporaryNameFor(const std::string& target, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  const auto stamp =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  return target + ".tmp" + std::to_string(stamp % 1000000007ULL) + "-" +
         std::to_string(counter.fetch_add(1)) + "-" + std::to_string(attempt);
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string targetPath) : target_(std::move(targetPath)) {
  for (unsigned attempt = 0; attempt < 16 && file_ == nullptr; ++attempt) {
    temporary_ = temporaryNameFor(target_, attempt);
    // "x": fail rather than reuse a file that happens to carry the same name.
    file_ = std::fopen(temporary_.c_str(), "wbx");
  }
  if (file_ == nullptr) {
    temporary_.clear();
    failed_ = true;
    return;
  }
  std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
}

AtomicFileWriter::~AtomicFileWriter() {
  discard();
}

void AtomicFileWriter::write(std::string_view data) {
  if (file_ == nullptr || failed_ || data.empty()) {
    return;
  }
  if (std::fwrite(data.data(), 1, data.size(), file_) != data.size()) {
    failed_ = true;
  }
}

bool AtomicFileWriter::commit() {
  if (file_ == nullptr) {
    return false;
  }
  const bool flushed = std::fflush(file_) == 0 && std::ferror(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (failed_ || !flushed || !closed) {
    discard();
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(temporary_, target_, ec);
  if (ec) {
    discard();
    return false;
  }
  temporary_.clear();
  return true;
}

void AtomicFileWriter::discard() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temporary_.empty()) {
    std::error_code ec;
    std::filesystem::remove(temporary_, ec);
    temporary_.clear();
  }
}

}  // namespace kelvor
