#pragma once

#include <string_view>

namespace kelvor {

// The caption of messages that have none of their own.
inline constexpr const char* ApplicationTitle = "Kelvor TLA";

enum class PromptIcon { None, Information, Warning, Error, Question };
enum class PromptAnswer { Yes, No, Cancel };

// Questions and messages to the user. The desktop shows message boxes with these exact texts, the
// batch tool prints them to standard error and answers from its options, tests script answers and
// record every text.
class Prompter {
 public:
  virtual ~Prompter() = default;
  // A message with a single OK button.
  virtual void message(std::string_view text, std::string_view caption, PromptIcon icon) = 0;
  // Yes or No.
  virtual PromptAnswer askYesNo(std::string_view text, std::string_view caption,
                                PromptIcon icon) = 0;
  // Yes, No or Cancel.
  virtual PromptAnswer askYesNoCancel(std::string_view text, std::string_view caption,
                                      PromptIcon icon) = 0;
};

}  // namespace kelvor
