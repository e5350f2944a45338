#include "app/FileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>

namespace kelvor::gui {

QStringList qtNameFilters(const QString& filter) {
  QStringList result;
  const QStringList parts = filter.split('|');
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    const QString patterns = parts[i + 1].trimmed();
    if (description.isEmpty() || patterns.isEmpty()) {
      break;
    }
    // The description carries its own pattern text, which Qt would read as the patterns.
    const qsizetype paren = description.indexOf('(');
    if (paren > 0) {
      description = description.left(paren).trimmed();
    }
    QString list = patterns;
    list.replace(';', ' ');
    result << QString("%1 (%2)").arg(description, list);
  }
  return result;
}

std::optional<QString> QtFileDialogs::openFile(QWidget* parent, const QString& filter) {
  QFileDialog dialog(parent, QString(), lastDirectory_);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(qtNameFilters(filter));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  const QString path = dialog.selectedFiles().front();
  lastDirectory_ = QFileInfo(path).absolutePath();
  return path;
}

std::optional<QString> QtFileDialogs::saveFile(QWidget* parent, const QString& filter,
                                               const QString& defaultSuffix) {
  QFileDialog dialog(parent, QString(), lastDirectory_);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(qtNameFilters(filter));
  dialog.setDefaultSuffix(defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  const QString path = dialog.selectedFiles().front();
  lastDirectory_ = QFileInfo(path).absolutePath();
  return path;
}

}  // namespace kelvor::gui
