// kelvor-cli: loads a trace file like the desktop program's open command, analyses it, and
// writes the statistics, event and lock-period exports or prints the statistics table.
#include <unistd.h>

#include <QFileInfo>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ChromeTraceOutput.h"
#include "LoadOverTimeFile.h"
#include "Options.h"
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
using cli::Options;

constexpr std::uintmax_t kProgressBarMinimumSize = 16u << 20;

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
