#pragma once

#include "common/ProgressSink.h"

namespace kelvor::cli {

// A one-line progress bar on standard error, redrawn in place with a carriage return.
class TerminalProgress final : public ProgressSink {
 public:
  void progressStart() override;
  void progressUpdate(const LoadProgress& progress) override;
  void progressClose() override;
  // Clears the bar's line so that other output starts on a clean line.
  void clearLine();

 private:
  bool drawn_ = false;
};

}  // namespace kelvor::cli
