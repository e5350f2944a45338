#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace kelvor {

// Writes a file so that a failure never leaves a half-written file where a good one stood: the
// data go to a new temporary file beside the target, which replaces the target only on commit.
// A writer destroyed without a successful commit removes its temporary file.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::string targetPath);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Whether the temporary file could be created.
  bool isOpen() const { return file_ != nullptr; }
  // Appends bytes; a failed write is remembered and makes commit fail.
  void write(std::string_view data);
  // Whether the file is open and every write so far succeeded. Buffered data may still fail to
  // reach the disk; commit reports that.
  bool good() const { return file_ != nullptr && !failed_; }
  // Flushes and closes the temporary file and renames it over the target. Returns false (and
  // leaves the target untouched) when anything failed on the way.
  bool commit();

 private:
  void discard();

  std::string target_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

}  // namespace kelvor
