#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

namespace kelvor::gui {

// The file dialogs of the program's commands. Filters are given as "Description|patterns|...||"
// lists; the desktop shows Qt file dialogs, tests answer from a script.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // An existing file to open, or nothing when cancelled.
  virtual std::optional<QString> openFile(QWidget* parent, const QString& filter) = 0;
  // A file to write; `defaultSuffix` is appended to a name without one. The dialog asks before
  // an existing file is overwritten. Nothing when cancelled.
  virtual std::optional<QString> saveFile(QWidget* parent, const QString& filter,
                                          const QString& defaultSuffix) = 0;
};

// Turns "Run Files (*.run)|*.run|All Files (*.*)|*.*||" into Qt's name filters.
QStringList qtNameFilters(const QString& filter);

class QtFileDialogs final : public FileDialogs {
 public:
  std::optional<QString> openFile(QWidget* parent, const QString& filter) override;
  std::optional<QString> saveFile(QWidget* parent, const QString& filter,
                                  const QString& defaultSuffix) override;

 private:
  QString lastDirectory_;
};

}  // namespace kelvor::gui
