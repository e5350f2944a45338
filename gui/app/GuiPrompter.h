#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "common/Prompter.h"

namespace kelvor::gui {

// Message boxes with the exact texts, captions, icons and buttons asked for. A message without a
// caption of its own carries the application title.
class MessageBoxPrompter final : public Prompter {
 public:
  // Boxes are owned by `parent` when it is set (the main window), else by the active window.
  void setParent(QWidget* parent) { parent_ = parent; }

  void message(std::string_view text, std::string_view caption, PromptIcon icon) override;
  PromptAnswer askYesNo(std::string_view text, std::string_view caption, PromptIcon icon) override;
  PromptAnswer askYesNoCancel(std::string_view text, std::string_view caption,
                              PromptIcon icon) override;

 private:
  QPointer<QWidget> parent_;
};

// Forwards every question to another prompter on the main thread. A reader running on a worker
// thread blocks until the user has answered; calls made on the main thread go straight through.
// The main thread must keep its event loop running while a worker may ask (the load does).
class MainThreadPrompter final : public Prompter {
 public:
  explicit MainThreadPrompter(Prompter& inner);
  ~MainThreadPrompter() override;

  void message(std::string_view text, std::string_view caption, PromptIcon icon) override;
  PromptAnswer askYesNo(std::string_view text, std::string_view caption, PromptIcon icon) override;
  PromptAnswer askYesNoCancel(std::string_view text, std::string_view caption,
                              PromptIcon icon) override;

 private:
  template <typename Call>
  PromptAnswer onMainThread(Call call);

  Prompter& inner_;
  QObject* mainThreadContext_;  // lives on the thread that created this prompter
};

}  // namespace kelvor::gui
