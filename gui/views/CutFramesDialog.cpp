#include "views/CutFramesDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>

#include "io/FrameCut.h"
#include "io/MesFile.h"

namespace kelvor::gui {

inline constexpr const char* CutMesFilter = "Run Files (*.mes)|*.mes|All Files (*.*)|*.*||";

CutFramesDialog::CutFramesDialog(Session& session, Prompter& prompter, FileDialogs& dialogs,
                                 QWidget* parent)
    : QDialog(parent),
      session_(session),
      prompter_(prompter),
      dialogs_(dialogs),
      from_(new QLineEdit("0", this)),
      to_(new QLineEdit("0", this)) {
  setObjectName("cutFramesDialog");
  setWindowTitle("Cut Frames From -> To");
  from_->setObjectName("from");
  to_->setObjectName("to");
  auto* form = new QFormLayout(this);
  form->addRow("From", from_);
  form->addRow("To", to_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  form->addRow(buttons);
  // OK leaves the dialog open, so that several ranges can be cut in a row.
  connect(buttons, &QDialogButtonBox::accepted, this, &CutFramesDialog::applyFields);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CutFramesDialog::applyFields() {
  bool fromOk = false;
  bool toOk = false;
  // Signed 32-bit numbers in the fields, compared as unsigned.
  const int from = from_->text().trimmed().toInt(&fromOk);
  const int to = to_->text().trimmed().toInt(&toOk);
  if (!fromOk || !toOk) {
    prompter_.message("Please enter an integer.", ApplicationTitle, PromptIcon::Warning);
    (fromOk ? to_ : from_)->setFocus();
    return;
  }
  cut(static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to));
}

bool CutFramesDialog::cut(std::uint32_t from, std::uint32_t to) {
  const FrameCutCheck check = checkFrameCut(session_.currentTraceFile, from, to);
  if (check != FrameCutCheck::Ok) {
    prompter_.message(frameCutMessage(check), ApplicationTitle, PromptIcon::Warning);
    return false;
  }
  const std::optional<QString> chosen = dialogs_.saveFile(this, CutMesFilter, "mes");
  if (!chosen) {
    return false;
  }
  const std::string path = chosen->toStdString();
  if (!session_.engine || !writeMesFileExcept(session_.engine->stream(), path, from, to)) {
    prompter_.message("Unable to save the file.", ApplicationTitle, PromptIcon::Warning);
    return false;
  }
  prompter_.message(frameCutSavedMessage(path), ApplicationTitle, PromptIcon::Information);
  return true;
}

}  // namespace kelvor::gui
