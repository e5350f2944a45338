#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <vector>

#include "common/Prompter.h"
#include "views/TimeStepDialogs.h"

namespace kelvor::gui {

// The text a number is shown with in an edit of these dialogs.
QString numberText(double value);
// The number of an edit's text (blanks around it allowed); nothing for any other text.
std::optional<double> editNumber(const QString& text);

// A dialog whose edits each hold one number. OK is refused, with a message, while an edit holds
// something else; the dialog then stays open with that edit selected.
class NumberDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* NotANumberText = "Please enter a number.";

  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }

  void accept() override;

 protected:
  NumberDialog(const QString& title, Prompter& prompter, QWidget* parent);
  // An edit holding `value`, checked by OK.
  QLineEdit* addNumberEdit(double value);
  // The OK and Cancel buttons in a row of their own, OK the default.
  QWidget* makeButtons();
  // The number in an edit; only meaningful once the dialog was accepted.
  static double numberIn(const QLineEdit* edit);

 private:
  Prompter& prompter_;
  std::vector<QLineEdit*> edits_;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// "Zoom": the zoom factor.
class ZoomDialog final : public NumberDialog {
  Q_OBJECT
 public:
  ZoomDialog(double current, Prompter& prompter, QWidget* parent = nullptr);
  QLineEdit* factorEdit() const { return factor_; }
  double factor() const { return numberIn(factor_); }

 private:
  QLineEdit* factor_;
};

// "Goto Position": a time, or a row of the stream list.
class GotoPositionDialog final : public NumberDialog {
  Q_OBJECT
 public:
  GotoPositionDialog(GotoMode mode, double value, Prompter& prompter, QWidget* parent = nullptr);
  QRadioButton* timeRadio() const { return time_; }
  QRadioButton* positionRadio() const { return position_; }
  QLineEdit* valueEdit() const { return value_; }
  // The mode the radios show now.
  GotoMode mode() const { return time_->isChecked() ? GotoMode::Time : GotoMode::Position; }
  GotoRequest request() const { return {mode(), numberIn(value_)}; }

 private:
  QRadioButton* time_;
  QRadioButton* position_;
  QLineEdit* value_;
};

// "Display From/To": the window's first and last time.
class DisplayFromToDialog final : public NumberDialog {
  Q_OBJECT
 public:
  DisplayFromToDialog(DisplayInterval current, Prompter& prompter, QWidget* parent = nullptr);
  QLineEdit* fromEdit() const { return from_; }
  QLineEdit* toEdit() const { return to_; }
  DisplayInterval interval() const { return {numberIn(from_), numberIn(to_)}; }

 private:
  QLineEdit* from_;
  QLineEdit* to_;
};

}  // namespace kelvor::gui
