#pragma once

#include <QDialog>
#include <QLineEdit>
#include <cstdint>

#include "app/FileDialogs.h"
#include "session/Session.h"

namespace kelvor::gui {

// "Cut Frames From -> To": writes the current trace without its leading events to a new .mes
// file. OK checks the range, asks for the file and writes it, and leaves the dialog open.
class CutFramesDialog final : public QDialog {
  Q_OBJECT
 public:
  CutFramesDialog(Session& session, Prompter& prompter, FileDialogs& dialogs,
                  QWidget* parent = nullptr);

  QLineEdit* fromEdit() const { return from_; }
  QLineEdit* toEdit() const { return to_; }

  // The OK button: takes From and To from the fields and cuts.
  void applyFields();
  // Checks the range, asks for a file and writes it. Returns true when a file was written.
  bool cut(std::uint32_t from, std::uint32_t to);

 private:
  Session& session_;
  Prompter& prompter_;
  FileDialogs& dialogs_;
  QLineEdit* from_;
  QLineEdit* to_;
};

}  // namespace kelvor::gui
