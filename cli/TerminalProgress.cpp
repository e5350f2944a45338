#include "TerminalProgress.h"

#include <cstdio>

namespace kelvor::cli {

void TerminalProgress::progressStart() {
  drawn_ = false;
}

void TerminalProgress::progressUpdate(const LoadProgress& progress) {
  constexpr int kWidth = 40;
  const unsigned percent = progress.percent > 100 ? 100 : progress.percent;
  const int filled = static_cast<int>(percent * kWidth / 100);
  char bar[kWidth + 1];
  for (int i = 0; i < kWidth; ++i) {
    bar[i] = i < filled ? '#' : '.';
  }
  bar[kWidth] = '\0';
  std::fprintf(stderr, "\rLoading [%s] %3u%%  %4.0fs of %4.0fs, %4.0fs left ", bar, percent,
               progress.consumed, progress.estimated, progress.remaining);
  std::fflush(stderr);
  drawn_ = true;
}

void TerminalProgress::progressClose() {
  clearLine();
}

void TerminalProgress::clearLine() {
  if (drawn_) {
    std::fprintf(stderr, "\r%90s\r", "");
    std::fflush(stderr);
    drawn_ = false;
  }
}

}  // namespace kelvor::cli
