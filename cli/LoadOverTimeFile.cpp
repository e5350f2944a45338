#include "LoadOverTimeFile.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "common/AtomicFile.h"
#include "model/EntryNaming.h"

namespace kelvor::cli {

namespace {

constexpr double PercentPerShare = 100.0;

// The shortest text that reads back to the same double, '.' as decimal point in any locale.
void appendExact(std::string& out, double value) {
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (error == std::errc()) {
    out.append(buffer, end);
  }
}

}  // namespace

std::optional<LoadCut> parseIntervalCount(std::string_view text) {
  std::size_t count = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
  if (error != std::errc() || end != text.data() + text.size() || count == 0 ||
      count > LoadCut::MaximumCount) {
    return std::nullopt;
  }
  return LoadCut::intervals(count);
}

std::optional<LoadCut> parseIntervalLength(std::string_view text) {
  double seconds = 0.0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::general);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(seconds) ||
      !(seconds > 0.0)) {
    return std::nullopt;
  }
  return LoadCut::ofLength(seconds);
}

std::string formatLoadOverTime(const LoadOverTime& load, const ProcessTable& names) {
  std::string out = "start\tend\tload";
  for (const std::uint32_t entry : load.entries()) {
    out += '\t';
    out += entryIdText(entry, IdTextStyle::File);
    const std::string name = names.entryName(entry);
    if (!name.empty()) {
      out += ' ';
      out += name;
    }
  }
  out += '\n';
  for (std::size_t k = 0; k < load.intervalCount(); ++k) {
    appendExact(out, load.start(k));
    out += '\t';
    appendExact(out, load.end(k));
    out += '\t';
    appendExact(out, load.load(k) * PercentPerShare);
    for (std::size_t e = 0; e < load.entryCount(); ++e) {
      out += '\t';
      appendExact(out, load.share(e, k) * PercentPerShare);
    }
    out += '\n';
  }
  return out;
}

LoadFileStatus writeLoadOverTime(StatisticsEngine& engine, const ProcessTable& names, LoadCut cut,
                                 const std::string& path) {
  // A length too short for the window is refused before anything is walked or written.
  if (engine.windowSpan() > 0.0 && cut.intervalsFor(engine.windowSpan()) == 0) {
    std::fprintf(stderr,
                 "kelvor-cli: the interval length cuts the window of %g s into more than %zu "
                 "intervals\n",
                 engine.windowSpan(), LoadCut::MaximumCount);
    return LoadFileStatus::TooManyIntervals;
  }
  const std::string text = formatLoadOverTime(loadOverAnalysedWindow(engine, cut), names);
  AtomicFileWriter file(path);
  file.write(text);
  if (!file.commit()) {
    std::fprintf(stderr, "Unable to save the file. (%s)\n", path.c_str());
    return LoadFileStatus::WriteFailed;
  }
  return LoadFileStatus::Written;
}

}  // namespace kelvor::cli
