// Feeds arbitrary bytes to the importer as a logic-analyser listing (.txt) and analyses what it
// read. The first byte decides whether the MOP-area question is answered Yes or No.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "common/Prompter.h"
#include "io/TextTraceImporter.h"
#include "session/Session.h"
#include "settings/SettingsBackend.h"

namespace {

class ScriptedPrompter : public kelvor::Prompter {
 public:
  explicit ScriptedPrompter(bool yes) : yes_(yes) {}
  void message(std::string_view, std::string_view, kelvor::PromptIcon) override {}
  kelvor::PromptAnswer askYesNo(std::string_view, std::string_view, kelvor::PromptIcon) override {
    return yes_ ? kelvor::PromptAnswer::Yes : kelvor::PromptAnswer::No;
  }
  kelvor::PromptAnswer askYesNoCancel(std::string_view, std::string_view,
                                      kelvor::PromptIcon) override {
    return yes_ ? kelvor::PromptAnswer::Yes : kelvor::PromptAnswer::No;
  }

 private:
  bool yes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kelvor;
  MemorySettingsBackend backend;
  Session session(backend);
  std::ostringstream console;
  ScriptedPrompter prompter(size == 0 || (data[0] & 1) == 0);
  session.analysis.console = &console;
  session.analysis.prompter = &prompter;
  session.settings.Set("startadress", "20");
  TextTraceImporter importer(session, TextTraceFormat::Tla,
                             std::string_view(reinterpret_cast<const char*>(data), size));
  importer.analyse(-1.0, 1.0e30);
  return 0;
}
