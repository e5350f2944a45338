#include "Options.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "LoadOverTimeFile.h"

namespace kelvor::cli {
namespace {

constexpr const char* kUsage =
    "Usage: kelvor-cli [--config FILE] [--set KEY=VALUE]... [--pid PATH] [--irq PATH]\n"
    "                  [--window START END] [--answer yes|no]\n"
    "                  [--asc PATH] [--mes PATH] [--run PATH] [--ilm PATH]\n"
    "                  [--format table|tsv|json|jsonl] [--json PATH] [--tsv PATH]\n"
    "                  [--distributions] [--load PATH [--intervals N | --interval SECONDS]]\n"
    "                  [--chrome-trace PATH] [--quiet] FILE\n"
    "       kelvor-cli [options] --record SECONDS [--link simulated|serial:DEVICE|library:PATH]\n"
    "                  [outputs]\n"
    "       kelvor-cli [options] --compare BASELINE [--fail-above PERCENT] FILE\n"
    "\n"
    "Loads FILE (.prn, .txt, .mes or .run), or records from a phone for SECONDS (Ctrl+C\n"
    "stops early and keeps what was recorded), analyses the whole trace and writes the\n"
    "requested exports; without an output option prints the statistics table.\n"
    "\n"
    "  --config FILE       read the settings from the [Settings] group of this ini file\n"
    "                      instead of the user's settings\n"
    "  --set KEY=VALUE     override one setting (startadress, adressoffset, clkspeedstart,\n"
    "                      mapping, pid, interrupt_sources, ...); may be repeated\n"
    "  --pid PATH          the process-id decoding file (.cepid, .txt or .h)\n"
    "  --irq PATH          the interrupt-sources decoding file (.h)\n"
    "  --window START END  analyse only the stretch between these times (seconds)\n"
    "  --answer yes|no     the answer to questions such as the MOP-area check (default yes)\n"
    "  --asc PATH          write the statistics file\n"
    "  --mes PATH          export the events as a .mes file\n"
    "  --run PATH          save the trace as a .run file\n"
    "  --ilm PATH          write the interrupt-lock periods\n"
    "  --format KIND       what to print: table (the default), tsv, json (one object) or\n"
    "                      jsonl (one object per entry and line); see docs/json-output.md\n"
    "  --json PATH         write the statistics as JSON\n"
    "  --tsv PATH          write the statistics as tab-separated values\n"
    "  --distributions     add each entry's net and gross duration distribution (mean,\n"
    "                      stddev, P50, P90, P99, P99.9, max, histogram) to tsv and json\n"
    "  --compare BASELINE  compare FILE with BASELINE (read with the same settings): per\n"
    "                      entry share, calls, mean, P99 and max (net), their differences\n"
    "                      and ratios, largest change of share first; --format, --json and\n"
    "                      --tsv then give the comparison\n"
    "  --fail-above PCT    with --compare: exit with status 3 when an entry's share or max\n"
    "                      grew by more than PCT percent, or an entry runs only in FILE\n"
    "  --load PATH         write the load over time: per interval the summed load and each\n"
    "                      entry's share, tab-separated\n"
    "  --intervals N       cut the window into N equal intervals (default 100)\n"
    "  --interval SECONDS  cut it into intervals of this length (the last may be shorter)\n"
    "  --chrome-trace PATH write the timeline as a trace-event JSON file (only the\n"
    "                      stretches inside --window, when given)\n"
    "  --record SECONDS    record from the phone's trace channel instead of reading FILE\n"
    "  --link KIND         where to record from: simulated (the default, a simulated phone\n"
    "                      in this program), serial:DEVICE (our serial link on a serial\n"
    "                      device or pseudo-terminal, e.g. one of kelvor-phone-sim --pty) or\n"
    "                      library:PATH (the phone's link library, by absolute path)\n"
    "  --quiet             no progress bar and no diagnostic lines (messages and\n"
    "                      questions are still shown)\n"
    "  --help              show this text\n"
    "  --version           show the version\n";

// A time in seconds; the whole argument must be a plain decimal number (any locale).
std::optional<double> parseNumber(const char* text) {
  std::string_view view(text);
  if (view.size() > 1 && view.front() == '+' && view[1] != '-') {
    view.remove_prefix(1);  // from_chars takes no plus sign
  }
  double value = 0.0;
  const auto [end, error] =
      std::from_chars(view.data(), view.data() + view.size(), value, std::chars_format::general);
  if (error != std::errc() || end != view.data() + view.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

int usageError(const std::string& problem) {
  std::fprintf(stderr, "kelvor-cli: %s\n\n%s", problem.c_str(), kUsage);
  return 2;
}

// Returns an exit code when the arguments end the run (help, version, usage error).
std::optional<int> parseArguments(int argc, char** argv, Options& options) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        return nullptr;
      }
      (void)name;
      return argv[++i];
    };
    auto need = [&](const char* name, std::optional<std::string>& target) -> bool {
      const char* text = value(name);
      if (text == nullptr) {
        return false;
      }
      target = text;
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("kelvor-cli %s\n", KELVOR_VERSION);
      return 0;
    }
    if (arg == "--quiet" || arg == "-q") {
      options.quiet = true;
    } else if (arg == "--config") {
      if (!need("--config", options.config))
        return usageError("--config needs a file");
    } else if (arg == "--pid") {
      if (!need("--pid", options.pid))
        return usageError("--pid needs a path");
    } else if (arg == "--irq") {
      if (!need("--irq", options.irq))
        return usageError("--irq needs a path");
    } else if (arg == "--asc") {
      if (!need("--asc", options.asc))
        return usageError("--asc needs a path");
    } else if (arg == "--mes") {
      if (!need("--mes", options.mes))
        return usageError("--mes needs a path");
    } else if (arg == "--run") {
      if (!need("--run", options.run))
        return usageError("--run needs a path");
    } else if (arg == "--ilm") {
      if (!need("--ilm", options.ilm))
        return usageError("--ilm needs a path");
    } else if (arg == "--format") {
      const char* text = value("--format");
      options.format = text != nullptr ? parseOutputFormat(text) : std::nullopt;
      if (!options.format) {
        return usageError("--format takes table, tsv, json or jsonl");
      }
    } else if (arg == "--json") {
      if (!need("--json", options.json))
        return usageError("--json needs a path");
    } else if (arg == "--tsv") {
      if (!need("--tsv", options.tsv))
        return usageError("--tsv needs a path");
    } else if (arg == "--distributions") {
      options.distributions = true;
    } else if (arg == "--compare") {
      if (!need("--compare", options.compare))
        return usageError("--compare needs the baseline file");
    } else if (arg == "--fail-above") {
      const char* text = value("--fail-above");
      options.failAbove = text != nullptr ? parseNumber(text) : std::nullopt;
      if (!options.failAbove || *options.failAbove < 0.0) {
        return usageError("--fail-above needs a percentage of 0 or more");
      }
    } else if (arg == "--load") {
      if (!need("--load", options.load))
        return usageError("--load needs a path");
    } else if (arg == "--intervals" || arg == "--interval") {
      const bool count = arg == "--intervals";
      const char* text = value(arg.c_str());
      const std::optional<LoadCut> cut = text == nullptr ? std::nullopt
                                         : count         ? parseIntervalCount(text)
                                                         : parseIntervalLength(text);
      if (options.loadCut) {
        return usageError("--intervals and --interval exclude each other");
      }
      if (!cut) {
        return usageError(count ? "--intervals needs a whole number from 1 to " +
                                      std::to_string(LoadCut::MaximumCount)
                                : "--interval needs a positive number of seconds");
      }
      options.loadCut = cut;
    } else if (arg == "--chrome-trace") {
      if (!need("--chrome-trace", options.chromeTrace))
        return usageError("--chrome-trace needs a path");
    } else if (arg == "--set") {
      const char* text = value("--set");
      const char* equals = text != nullptr ? std::strchr(text, '=') : nullptr;
      if (equals == nullptr || equals == text) {
        return usageError("--set needs KEY=VALUE");
      }
      options.sets.emplace_back(std::string(text, equals), std::string(equals + 1));
    } else if (arg == "--answer") {
      const char* text = value("--answer");
      if (text == nullptr || (std::strcmp(text, "yes") != 0 && std::strcmp(text, "no") != 0)) {
        return usageError("--answer takes yes or no");
      }
      options.answer = std::strcmp(text, "yes") == 0 ? PromptAnswer::Yes : PromptAnswer::No;
    } else if (arg == "--window") {
      if (i + 2 >= argc) {
        return usageError("--window needs START and END");
      }
      auto start = parseNumber(argv[i + 1]);
      auto end = parseNumber(argv[i + 2]);
      i += 2;
      if (!start || !end) {
        return usageError("--window needs two numbers (seconds)");
      }
      // The analysis wants the earlier time first, whichever order they were given in.
      options.window = TimeWindow::between(*start, *end);
    } else if (arg == "--record") {
      const char* text = value("--record");
      const auto seconds = text != nullptr ? parseNumber(text) : std::nullopt;
      if (!seconds || *seconds <= 0.0) {
        return usageError("--record needs a positive number of seconds");
      }
      options.recordSeconds = *seconds;
    } else if (arg == "--link") {
      const char* text = value("--link");
      const auto link = text != nullptr ? parseLinkChoice(text) : std::nullopt;
      if (!link) {
        return usageError("--link takes simulated, serial:DEVICE or library:PATH");
      }
      options.link = *link;
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      return usageError("unknown option " + arg);
    } else {
      files.push_back(arg);
    }
  }
  if (options.failAbove && !options.compare) {
    return usageError("--fail-above needs --compare");
  }
  if (options.loadCut && !options.load) {
    return usageError("--intervals and --interval need --load");
  }
  if (options.recordSeconds) {
    if (!files.empty()) {
      return usageError("--record reads no trace file");
    }
    if (options.compare) {
      return usageError("--compare compares two files, not a recording");
    }
    return std::nullopt;
  }
  if (files.size() != 1) {
    return usageError(files.empty() ? "no trace file given" : "more than one trace file given");
  }
  options.file = files.front();
  return std::nullopt;
}

}  // namespace kelvor::cli
