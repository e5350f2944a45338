#include "views/TimeStepNumberDialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <cmath>

namespace kelvor::gui {

QString numberText(double value) {
  // Fifteen significant digits: what a double keeps exactly through text.
  return QString::number(value, 'g', 15);
}

std::optional<double> editNumber(const QString& text) {
  bool ok = false;
  const double value = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

NumberDialog::NumberDialog(const QString& title, Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter) {
  setWindowTitle(title);
}

QLineEdit* NumberDialog::addNumberEdit(double value) {
  auto* edit = new QLineEdit(numberText(value), this);
  edits_.push_back(edit);
  return edit;
}

QWidget* NumberDialog::makeButtons() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addStretch();
  ok_ = new QPushButton("OK", row);
  cancel_ = new QPushButton("Cancel", row);
  ok_->setDefault(true);
  layout->addWidget(ok_);
  layout->addWidget(cancel_);
  connect(ok_, &QPushButton::clicked, this, &NumberDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &NumberDialog::reject);
  return row;
}

double NumberDialog::numberIn(const QLineEdit* edit) {
  return editNumber(edit->text()).value_or(0.0);
}

void NumberDialog::accept() {
  for (QLineEdit* edit : edits_) {
    if (!editNumber(edit->text())) {
      prompter_.message(NotANumberText, ApplicationTitle, PromptIcon::Warning);
      edit->setFocus();
      edit->selectAll();
      return;
    }
  }
  QDialog::accept();
}

ZoomDialog::ZoomDialog(double current, Prompter& prompter, QWidget* parent)
    : NumberDialog("Zoom", prompter, parent), factor_(addNumberEdit(current)) {
  setObjectName("zoomDialog");
  auto* layout = new QVBoxLayout(this);
  auto* line = new QHBoxLayout;
  line->addWidget(new QLabel("Zoom", this));
  line->addWidget(factor_);
  layout->addLayout(line);
  layout->addWidget(makeButtons());
}

GotoPositionDialog::GotoPositionDialog(GotoMode mode, double value, Prompter& prompter,
                                       QWidget* parent)
    : NumberDialog("Goto Position", prompter, parent),
      time_(new QRadioButton("Time (s)", this)),
      position_(new QRadioButton("Position", this)),
      value_(addNumberEdit(value)) {
  setObjectName("gotoPositionDialog");
  (mode == GotoMode::Time ? time_ : position_)->setChecked(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(time_);
  layout->addWidget(position_);
  layout->addWidget(value_);
  layout->addWidget(makeButtons());
}

DisplayFromToDialog::DisplayFromToDialog(DisplayInterval current, Prompter& prompter,
                                         QWidget* parent)
    : NumberDialog("Display From/To", prompter, parent),
      from_(addNumberEdit(current.from)),
      to_(addNumberEdit(current.to)) {
  setObjectName("displayFromToDialog");
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("from time [s]", this), 0, 0);
  grid->addWidget(from_, 0, 1);
  grid->addWidget(new QLabel("to time [s]", this), 1, 0);
  grid->addWidget(to_, 1, 1);
  layout->addLayout(grid);
  layout->addWidget(makeButtons());
}

}  // namespace kelvor::gui
