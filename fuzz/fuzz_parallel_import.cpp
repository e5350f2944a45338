// Imports the same bytes sequentially and in pieces on several threads, with pieces so small
// that their borders fall everywhere, and stops at the first difference in what the two give:
// events (every field), messages and questions in order, seen ids, status, '<' flag, end time
// and progress percentages. The first byte picks the format, the MOP-area base and the answer to
// the address question, the second the piece size and the number of threads.
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "common/Prompter.h"
#include "io/TextTraceImporter.h"

namespace {

using namespace kelvor;

class RecordingPrompter : public Prompter {
 public:
  explicit RecordingPrompter(bool yes) : yes_(yes) {}
  void message(std::string_view text, std::string_view caption, PromptIcon) override {
    shown.append(text).append(caption).push_back('\0');
  }
  PromptAnswer askYesNo(std::string_view text, std::string_view caption, PromptIcon) override {
    shown.append("?").append(text).append(caption).push_back('\0');
    return yes_ ? PromptAnswer::Yes : PromptAnswer::No;
  }
  PromptAnswer askYesNoCancel(std::string_view text, std::string_view caption,
                              PromptIcon icon) override {
    return askYesNo(text, caption, icon);
  }
  std::string shown;

 private:
  bool yes_;
};

class RecordingProgress : public ProgressSink {
 public:
  void progressStart() override { percents.push_back(1000); }
  void progressUpdate(const LoadProgress& progress) override {
    percents.push_back(progress.percent);
  }
  void progressClose() override { percents.push_back(2000); }
  std::vector<std::uint32_t> percents;
};

struct Outcome {
  std::vector<TraceEvent> events;
  ImportResult result;
  std::string shown;
  std::vector<std::uint32_t> percents;
  double endTime = 0.0;
};

Outcome import(TextTraceFormat format, std::uint32_t mopBase, bool yes, std::string_view text,
               const ParallelReading& parallel) {
  RecordingPrompter prompter(yes);
  RecordingProgress progress;
  ImportContext context;
  context.prompter = &prompter;
  context.progress = &progress;
  context.mopBase = mopBase;
  context.parallel = parallel;
  EventStream stream;
  Outcome outcome;
  TextTraceImporter importer(stream, context);
  outcome.result = importer.importText(format, text);
  outcome.endTime = importer.currentTime();
  outcome.events.assign(stream.begin(), stream.end());
  outcome.shown = prompter.shown;
  outcome.percents = progress.percents;
  return outcome;
}

bool sameEvent(const TraceEvent& a, const TraceEvent& b) {
  return std::bit_cast<std::uint64_t>(a.time) == std::bit_cast<std::uint64_t>(b.time) &&
         std::bit_cast<std::uint64_t>(a.clock) == std::bit_cast<std::uint64_t>(b.clock) &&
         a.number == b.number && a.address == b.address && a.kind == b.kind && a.id == b.id &&
         a.sourceType == b.sourceType;
}

bool same(const Outcome& a, const Outcome& b) {
  if (a.events.size() != b.events.size() || a.result.status != b.result.status ||
      a.result.lessThanSeen != b.result.lessThanSeen || a.result.events != b.result.events ||
      a.result.messagesShown != b.result.messagesShown || a.shown != b.shown ||
      a.percents != b.percents || a.result.seenIds.count() != b.result.seenIds.count() ||
      std::bit_cast<std::uint64_t>(a.endTime) != std::bit_cast<std::uint64_t>(b.endTime)) {
    return false;
  }
  for (std::size_t i = 0; i < a.events.size(); ++i) {
    if (!sameEvent(a.events[i], b.events[i])) {
      return false;
    }
    const TraceEvent& event = a.events[i];
    if (event.kind == EventKind::START_PROC && !b.result.seenIds.isSeen(event.id)) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) {
    return 0;
  }
  const TextTraceFormat formats[] = {TextTraceFormat::Etm, TextTraceFormat::Tla,
                                     TextTraceFormat::Mes, TextTraceFormat::Etm};
  const TextTraceFormat format = formats[data[0] & 3u];
  const bool yes = (data[0] & 4u) != 0;
  const std::uint32_t bases[] = {0xC0000020, 0x20, 0, 0xFFFFFFF0};
  const std::uint32_t mopBase = bases[(data[0] >> 3) & 3u];
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

  ParallelReading sequential;
  sequential.minimumSize = std::numeric_limits<std::uint64_t>::max();
  ParallelReading pieces;
  pieces.minimumSize = 0;
  pieces.pieceSize = 1 + (data[1] & 63u);
  pieces.threads = 1 + (data[1] >> 6);
  if (!same(import(format, mopBase, yes, text, sequential),
            import(format, mopBase, yes, text, pieces))) {
    std::abort();
  }
  return 0;
}
