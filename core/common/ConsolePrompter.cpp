#include "common/ConsolePrompter.h"

#include <string>

namespace kelvor {

void ConsolePrompter::show(std::string_view text, std::string_view caption) {
  if (hook_ != nullptr) {
    hook_(hookContext_);
  }
  std::string line;
  if (!caption.empty()) {
    line.append(caption);
    line += ": ";
  }
  line.append(text);
  if (line.empty() || line.back() != '\n') {
    line += '\n';
  }
  std::fwrite(line.data(), 1, line.size(), stderr);
}

void ConsolePrompter::message(std::string_view text, std::string_view caption, PromptIcon) {
  show(text, caption);
}

PromptAnswer ConsolePrompter::askYesNo(std::string_view text, std::string_view caption,
                                       PromptIcon) {
  show(text, caption);
  const PromptAnswer answer = answer_ == PromptAnswer::No ? PromptAnswer::No : PromptAnswer::Yes;
  std::fputs(answer == PromptAnswer::Yes ? "-> yes\n" : "-> no\n", stderr);
  return answer;
}

PromptAnswer ConsolePrompter::askYesNoCancel(std::string_view text, std::string_view caption,
                                             PromptIcon icon) {
  return askYesNo(text, caption, icon);
}

}  // namespace kelvor
