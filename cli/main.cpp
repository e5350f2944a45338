// kelvor-cli: loads a trace file like the desktop program's open command, analyses it, and
// writes the statistics, event and lock-period exports or prints the statistics table.
#include <unistd.h>

#include <QFileInfo>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "ChromeTraceOutput.h"
#include "LoadOverTimeFile.h"
#include "QSettingsBackend.h"
#include "Recording.h"
#include "ReportOutput.h"
#include "StatisticsTable.h"
#include "TerminalProgress.h"
#include "common/ConsolePrompter.h"
#include "io/MesFile.h"
#include "io/RunFile.h"
#include "io/StatisticsExport.h"
#include "session/BaselineReport.h"
#include "session/LoadIdFiles.h"
#include "session/TraceLoader.h"
#include "settings/AnalysisSettings.h"

namespace {

using namespace kelvor;

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

constexpr std::uintmax_t kProgressBarMinimumSize = 16u << 20;

struct Options {
  std::optional<std::string> config;
  std::vector<std::pair<std::string, std::string>> sets;
  std::optional<std::string> pid;
  std::optional<std::string> irq;
  std::optional<TimeWindow> window;
  PromptAnswer answer = PromptAnswer::Yes;
  std::optional<cli::OutputFormat> format;
  std::optional<std::string> json, tsv;
  bool distributions = false;
  std::optional<std::string> compare;
  std::optional<double> failAbove;
  std::optional<std::string> asc, mes, run, ilm, load, chromeTrace;
  std::optional<LoadCut> loadCut;
  bool quiet = false;
  std::optional<double> recordSeconds;
  cli::LinkChoice link;
  std::string file;
};

int usageError(const std::string& problem) {
  std::fprintf(stderr, "kelvor-cli: %s\n\n%s", problem.c_str(), kUsage);
  return 2;
}

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
      options.format = text != nullptr ? cli::parseOutputFormat(text) : std::nullopt;
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
                                         : count         ? cli::parseIntervalCount(text)
                                                         : cli::parseIntervalLength(text);
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
      const auto link = text != nullptr ? cli::parseLinkChoice(text) : std::nullopt;
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

void clearProgressLine(void* progress) {
  static_cast<cli::TerminalProgress*>(progress)->clearLine();
}

bool reportWrite(bool ok, const std::string& path) {
  if (!ok) {
    std::fprintf(stderr, "Unable to save the file. (%s)\n", path.c_str());
  }
  return ok;
}

// The settings of this run: the ini file or the user's, then --set, --pid and --irq. The batch
// tool never writes them back: --set and --config are for this run only.
void applyOptionSettings(Session& session, const Options& options) {
  session.settings.Load();
  for (const auto& [key, value] : options.sets) {
    session.settings.Set(key, value);
  }
  // Paths on the command line are relative to the current folder, not to the settings file's.
  const auto fromHere = [](const std::string& path) {
    return path.empty() ? path : std::filesystem::absolute(path).string();
  };
  if (options.pid) {
    session.settings.Set(setting::ProcessIdFile, fromHere(*options.pid));
  }
  if (options.irq) {
    session.settings.Set(setting::InterruptFile, fromHere(*options.irq));
  }
}

// Analyses the loaded trace again where the options ask for another window or for the
// durations' distributions.
void analyseAsAsked(StatisticsEngine& engine, const Options& options,
                    ActivationDurations* durations) {
  if (options.window || durations != nullptr) {
    engine.analyse(options.window.value_or(TimeWindow::wholeTrace()), durations);
  }
}

StatisticsReport reportOf(const Session& session, const std::string& file,
                          const ActivationDurations* durations) {
  return makeStatisticsReport(*session.engine, session.processTable, file, KELVOR_VERSION,
                              durations);
}

// --compare: loads the baseline with the same settings and writes the comparison; exit status 3
// when --fail-above finds an entry that grew beyond it.
int compareWithBaseline(const Session& session, const Options& options,
                        const StatisticsReport& fileReport) {
  const std::optional<StatisticsReport> baseline =
      loadBaselineReport(session, *options.compare, options.window, KELVOR_VERSION);
  if (!baseline) {
    return 1;
  }
  const ReportComparison comparison = compareReports(*baseline, fileReport);

  bool ok = true;
  if (options.json) {
    ok &= reportWrite(cli::writeTextFile(*options.json, comparisonJson(comparison)), *options.json);
  }
  if (options.tsv) {
    ok &= reportWrite(cli::writeTextFile(*options.tsv, comparisonTsv(comparison)), *options.tsv);
  }
  if (options.format || (!options.json && !options.tsv)) {
    const std::string text =
        cli::formatComparison(comparison, options.format.value_or(cli::OutputFormat::Table));
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  if (!ok) {
    return 1;
  }
  if (options.failAbove) {
    bool grew = false;
    for (const EntryComparison& entry : comparison.entries) {
      const std::string why = growthBeyond(entry, *options.failAbove);
      if (!why.empty()) {
        std::fprintf(stderr, "kelvor-cli: %s %s: %s (more than %g %%)\n", entry.idText.c_str(),
                     entry.name.c_str(), why.c_str(), *options.failAbove);
        grew = true;
      }
    }
    if (grew) {
      return 3;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (auto exitCode = parseArguments(argc, argv, options)) {
    return *exitCode;
  }

  std::unique_ptr<QSettingsBackend> backend;
  if (options.config) {
    if (!QFileInfo(QString::fromStdString(*options.config)).isReadable()) {
      std::fprintf(stderr, "kelvor-cli: cannot read the settings file %s\n",
                   options.config->c_str());
      return 2;
    }
    backend = std::make_unique<QSettingsBackend>(QString::fromStdString(*options.config),
                                                 QSettings::IniFormat);
  } else {
    backend = std::make_unique<QSettingsBackend>();
  }

  Session session(*backend);
  if (options.config) {
    session.settingsFolder = std::filesystem::absolute(*options.config).parent_path().string();
  }
  applyOptionSettings(session, options);

  ConsolePrompter prompter(options.answer);
  session.analysis.prompter = &prompter;
  // Diagnostics (lines the user need not act on, such as the words a PID header reader passes
  // over) go to standard error so that standard output carries only the table; --quiet drops them.
  std::ostringstream dropped;
  std::ostream& console = options.quiet ? static_cast<std::ostream&>(dropped) : std::cerr;
  session.analysis.console = &console;
  cli::TerminalProgress progress;
  std::error_code sizeError;
  const std::uintmax_t size =
      options.recordSeconds ? 0 : std::filesystem::file_size(options.file, sizeError);
  if (!options.quiet && isatty(STDERR_FILENO) && !sizeError && size >= kProgressBarMinimumSize) {
    session.progress = &progress;
    prompter.setBeforeOutput(clearProgressLine, &progress);
  }

  loadIdFilesInto(session);

  if (options.recordSeconds) {
    if (!cli::recordFromLink(session, options.link, *options.recordSeconds)) {
      return 1;
    }
  } else if (openTraceFile(session, options.file) != OpenResult::Loaded) {
    return 1;
  }
  StatisticsEngine& engine = *session.engine;
  std::optional<ActivationDurations> durations;
  if (options.distributions || options.compare) {
    durations.emplace();
  }
  analyseAsAsked(engine, options, durations ? &*durations : nullptr);
  const std::string reportedFile = options.recordSeconds ? "recording" : options.file;
  const StatisticsReport report =
      reportOf(session, reportedFile, durations ? &*durations : nullptr);

  bool ok = true;
  if (options.asc) {
    ok &=
        reportWrite(writeStatisticsFile(engine, session.processTable, *options.asc), *options.asc);
  }
  if (options.mes) {
    ok &= reportWrite(writeMesFile(engine.stream(), *options.mes), *options.mes);
  }
  if (options.run) {
    const std::uint16_t code = saveRunFile(session, *options.run);
    if (code == RunFile::WriteNoData) {
      std::fputs("There is no data to be saved.\n", stderr);
      ok = false;
    } else {
      ok &= reportWrite(code == RunFile::WriteOk, *options.run);
    }
  }
  if (options.ilm) {
    ok &= reportWrite(engine.locks().writeLockFile(*options.ilm), *options.ilm);
  }
  if (options.chromeTrace) {
    ok &= reportWrite(cli::writeChromeTraceOutput(session, *options.chromeTrace, options.window),
                      *options.chromeTrace);
  }
  if (options.load) {
    const cli::LoadFileStatus status = cli::writeLoadOverTime(
        engine, session.processTable, options.loadCut.value_or(LoadCut{}), *options.load);
    if (status == cli::LoadFileStatus::TooManyIntervals) {
      return 2;
    }
    ok &= status == cli::LoadFileStatus::Written;
  }
  if (options.compare) {
    const int status = compareWithBaseline(session, options, report);
    return ok ? status : 1;
  }
  if (options.json) {
    ok &= reportWrite(cli::writeTextFile(*options.json, reportJson(report)), *options.json);
  }
  if (options.tsv) {
    ok &= reportWrite(cli::writeTextFile(*options.tsv, reportTsv(report)), *options.tsv);
  }
  const bool wroteFiles = options.asc || options.mes || options.run || options.ilm ||
                          options.load || options.chromeTrace || options.json || options.tsv;
  if (options.format || !wroteFiles) {
    const std::string text = cli::formatReport(
        report, options.format.value_or(cli::OutputFormat::Table), engine, session.processTable);
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  return ok ? 0 : 1;
}
