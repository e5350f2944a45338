#pragma once

#include <deque>
#include <string>
#include <vector>

#include "common/Prompter.h"

namespace kelvor::test {

// A Prompter for tests: records every text shown and answers questions from a script
// (Yes when the script is empty).
class RecordingPrompter : public Prompter {
 public:
  struct Shown {
    std::string kind;  // "message", "yesno" or "yesnocancel"
    std::string text;
    std::string caption;
    PromptIcon icon;
  };

  void message(std::string_view text, std::string_view caption, PromptIcon icon) override {
    shown.push_back({"message", std::string(text), std::string(caption), icon});
  }
  PromptAnswer askYesNo(std::string_view text, std::string_view caption, PromptIcon icon) override {
    shown.push_back({"yesno", std::string(text), std::string(caption), icon});
    return next();
  }
  PromptAnswer askYesNoCancel(std::string_view text, std::string_view caption,
                              PromptIcon icon) override {
    shown.push_back({"yesnocancel", std::string(text), std::string(caption), icon});
    return next();
  }

  std::vector<Shown> shown;
  std::deque<PromptAnswer> answers;

 private:
  PromptAnswer next() {
    if (answers.empty()) {
      return PromptAnswer::Yes;
    }
    PromptAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace kelvor::test
