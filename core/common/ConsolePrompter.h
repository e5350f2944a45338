#pragma once

#include <cstdio>

#include "common/Prompter.h"

namespace kelvor {

// For runs without a window (the batch tool, picture runs of the desktop program): shows every
// message on standard error as "caption: text" and answers questions with a fixed answer,
// echoing it so that a log shows what was decided.
class ConsolePrompter final : public Prompter {
 public:
  explicit ConsolePrompter(PromptAnswer answer) : answer_(answer) {}

  void message(std::string_view text, std::string_view caption, PromptIcon icon) override;
  PromptAnswer askYesNo(std::string_view text, std::string_view caption, PromptIcon icon) override;
  PromptAnswer askYesNoCancel(std::string_view text, std::string_view caption,
                              PromptIcon icon) override;

  // Called before a message so that a progress bar on the same terminal line is cleared first.
  void setBeforeOutput(void (*hook)(void*), void* context) {
    hook_ = hook;
    hookContext_ = context;
  }

 private:
  void show(std::string_view text, std::string_view caption);

  PromptAnswer answer_;
  void (*hook_)(void*) = nullptr;
  void* hookContext_ = nullptr;
};

}  // namespace kelvor
