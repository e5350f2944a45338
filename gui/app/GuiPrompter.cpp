#include "app/GuiPrompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <string>

#include "session/Session.h"

namespace kelvor::gui {

namespace {

QMessageBox::Icon boxIcon(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::Information:
      return QMessageBox::Information;
    case PromptIcon::Warning:
      return QMessageBox::Warning;
    case PromptIcon::Error:
      return QMessageBox::Critical;
    case PromptIcon::Question:
      return QMessageBox::Question;
    case PromptIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QString qText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::StandardButton runBox(QWidget* parent, std::string_view text, std::string_view caption,
                                   PromptIcon icon, QMessageBox::StandardButtons buttons) {
  // A dialog that is open owns the box (messages of the cut-frames dialog, the configuration).
  QWidget* owner = QApplication::activeModalWidget();
  if (owner == nullptr) {
    owner = parent != nullptr ? parent : QApplication::activeWindow();
  }
  QMessageBox box(boxIcon(icon), caption.empty() ? QString(ApplicationTitle) : qText(caption),
                  qText(text), buttons, owner);
  box.setTextFormat(Qt::PlainText);
  box.setObjectName("kelvorMessageBox");
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

PromptAnswer answerOf(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Yes:
      return PromptAnswer::Yes;
    case QMessageBox::No:
      return PromptAnswer::No;
    default:
      return PromptAnswer::Cancel;
  }
}

}  // namespace

void MessageBoxPrompter::message(std::string_view text, std::string_view caption, PromptIcon icon) {
  runBox(parent_, text, caption, icon, QMessageBox::Ok);
}

PromptAnswer MessageBoxPrompter::askYesNo(std::string_view text, std::string_view caption,
                                          PromptIcon icon) {
  // Closing the box without a choice counts as No, the safe answer of a yes/no question.
  const auto button = runBox(parent_, text, caption, icon, QMessageBox::Yes | QMessageBox::No);
  return button == QMessageBox::Yes ? PromptAnswer::Yes : PromptAnswer::No;
}

PromptAnswer MessageBoxPrompter::askYesNoCancel(std::string_view text, std::string_view caption,
                                                PromptIcon icon) {
  return answerOf(runBox(parent_, text, caption, icon,
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel));
}

MainThreadPrompter::MainThreadPrompter(Prompter& inner)
    : inner_(inner), mainThreadContext_(new QObject) {}

MainThreadPrompter::~MainThreadPrompter() {
  delete mainThreadContext_;
}

template <typename Call>
PromptAnswer MainThreadPrompter::onMainThread(Call call) {
  if (QThread::currentThread() == mainThreadContext_->thread()) {
    return call();
  }
  PromptAnswer answer = PromptAnswer::Cancel;
  QMetaObject::invokeMethod(
      mainThreadContext_, [&answer, &call] { answer = call(); }, Qt::BlockingQueuedConnection);
  return answer;
}

void MainThreadPrompter::message(std::string_view text, std::string_view caption, PromptIcon icon) {
  onMainThread([&] {
    inner_.message(text, caption, icon);
    return PromptAnswer::Yes;
  });
}

PromptAnswer MainThreadPrompter::askYesNo(std::string_view text, std::string_view caption,
                                          PromptIcon icon) {
  return onMainThread([&] { return inner_.askYesNo(text, caption, icon); });
}

PromptAnswer MainThreadPrompter::askYesNoCancel(std::string_view text, std::string_view caption,
                                                PromptIcon icon) {
  return onMainThread([&] { return inner_.askYesNoCancel(text, caption, icon); });
}

}  // namespace kelvor::gui
