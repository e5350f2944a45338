#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Recording.h"
#include "ReportOutput.h"
#include "analysis/LoadOverTime.h"
#include "analysis/TimeWindow.h"
#include "common/Prompter.h"

namespace kelvor::cli {

// What kelvor-cli was asked to do.
struct Options {
  std::optional<std::string> config;
  std::vector<std::pair<std::string, std::string>> sets;
  std::optional<std::string> pid;
  std::optional<std::string> irq;
  std::optional<TimeWindow> window;
  PromptAnswer answer = PromptAnswer::Yes;
  std::optional<OutputFormat> format;
  std::optional<std::string> json, tsv;
  bool distributions = false;
  std::optional<std::string> compare;
  std::optional<double> failAbove;
  std::optional<std::string> asc, mes, run, ilm, load, chromeTrace;
  std::optional<LoadCut> loadCut;
  bool quiet = false;
  std::optional<double> recordSeconds;
  LinkChoice link;
  std::string file;
};

// Reads the arguments into `options`. Returns an exit status when they end the run: 0 after
// --help or --version, 2 after a usage error (which is printed with the usage).
std::optional<int> parseArguments(int argc, char** argv, Options& options);

// Prints a usage error with the usage; returns the exit status 2.
int usageError(const std::string& problem);

}  // namespace kelvor::cli
