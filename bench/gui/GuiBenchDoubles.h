#pragma once

// Stand-ins for the dialogs and questions of the desktop program, so that its widgets can be
// measured without a user: no file is ever chosen, every question gets a fixed answer.
#include <optional>
#include <string_view>

#include <QString>

#include "app/FileDialogs.h"
#include "common/Prompter.h"

namespace kelvor::bench {

class NoDialogs final : public gui::FileDialogs {
 public:
  std::optional<QString> openFile(QWidget*, const QString&) override { return std::nullopt; }
  std::optional<QString> saveFile(QWidget*, const QString&, const QString&) override {
    return std::nullopt;
  }
};

class SilentPrompter final : public Prompter {
 public:
  void message(std::string_view, std::string_view, PromptIcon) override {}
  PromptAnswer askYesNo(std::string_view, std::string_view, PromptIcon) override {
    return PromptAnswer::Yes;
  }
  PromptAnswer askYesNoCancel(std::string_view, std::string_view, PromptIcon) override {
    return PromptAnswer::No;
  }
};

}  // namespace kelvor::bench
