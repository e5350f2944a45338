#pragma once

// The body shared by the fuzz targets of the three text formats: the input bytes are imported
// as a file of the given format and what was read is analysed. The first byte decides whether the
// MOP-area question is answered Yes or No.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "analysis/StatisticsEngine.h"
#include "common/Prompter.h"
#include "io/TextTraceImporter.h"

namespace kelvor::fuzz {

class ScriptedPrompter : public Prompter {
 public:
  explicit ScriptedPrompter(bool yes) : yes_(yes) {}
  void message(std::string_view, std::string_view, PromptIcon) override {}
  PromptAnswer askYesNo(std::string_view, std::string_view, PromptIcon) override {
    return yes_ ? PromptAnswer::Yes : PromptAnswer::No;
  }
  PromptAnswer askYesNoCancel(std::string_view, std::string_view, PromptIcon) override {
    return yes_ ? PromptAnswer::Yes : PromptAnswer::No;
  }

 private:
  bool yes_;
};

inline void importAndAnalyse(TextTraceFormat format, std::uint32_t mopBase,
                             const std::uint8_t* data, std::size_t size) {
  std::ostringstream console;
  ScriptedPrompter prompter(size == 0 || (data[0] & 1) == 0);
  AnalysisContext analysis;
  analysis.console = &console;
  analysis.prompter = &prompter;
  StatisticsEngine engine(analysis);
  ImportContext context;
  context.prompter = &prompter;
  context.mopBase = mopBase;
  TextTraceImporter(engine.stream(), context)
      .importText(format, std::string_view(reinterpret_cast<const char*>(data), size));
  engine.analyse(TimeWindow::wholeTrace());
}

}  // namespace kelvor::fuzz
