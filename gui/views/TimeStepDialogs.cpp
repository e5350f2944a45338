#include "views/TimeStepDialogs.h"

#include <QFontDialog>

#include "views/PidSelectDialog.h"
#include "views/TimeStepNumberDialogs.h"

namespace kelvor::gui {

QtTimeStepDialogs::QtTimeStepDialogs() : prompter_(&boxes_) {}

QtTimeStepDialogs::QtTimeStepDialogs(Prompter& prompter) : prompter_(&prompter) {}

std::optional<double> QtTimeStepDialogs::zoomFactor(QWidget* parent, double current) {
  ZoomDialog dialog(current, *prompter_, parent);
  if (dialog.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  return dialog.factor();
}

std::optional<GotoRequest> QtTimeStepDialogs::gotoPosition(QWidget* parent, double time) {
  GotoPositionDialog dialog(lastGotoMode_, time, *prompter_, parent);
  const int answer = dialog.exec();
  // A click on a radio sets the mode, whether or not the dialog is then confirmed.
  lastGotoMode_ = dialog.mode();
  if (answer != QDialog::Accepted) {
    return std::nullopt;
  }
  return dialog.request();
}

std::optional<DisplayInterval> QtTimeStepDialogs::displayFromTo(QWidget* parent,
                                                                DisplayInterval current) {
  DisplayFromToDialog dialog(current, *prompter_, parent);
  if (dialog.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  return dialog.interval();
}

PidSelectResult QtTimeStepDialogs::pidSelect(QWidget* parent, Session& session, bool condensedView,
                                             const std::function<void(bool)>& condensedChanged) {
  PidSelectDialog dialog(session, condensedView, condensedChanged, parent);
  dialog.exec();
  return dialog.result();
}

std::optional<QFont> QtTimeStepDialogs::font(QWidget* parent, const QFont& current,
                                             const QString& title) {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, current, parent, title);
  if (!ok) {
    return std::nullopt;
  }
  return chosen;
}

}  // namespace kelvor::gui
