#include "QSettingsBackend.h"

#include <QStringList>

namespace kelvor {

QSettingsBackend::QSettingsBackend(const QString& group)
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            Organisation, Application)),
      group_(group) {}

QSettingsBackend::QSettingsBackend(const QString& fileName, QSettings::Format format,
                                   const QString& group)
    : settings_(std::make_unique<QSettings>(fileName, format)), group_(group) {}

SettingsValues QSettingsBackend::readAll() {
  SettingsValues values;
  settings_->sync();
  if (settings_->status() != QSettings::NoError) {
    return values;
  }
  settings_->beginGroup(group_);
  for (const QString& key : settings_->childKeys()) {
    const QVariant value = settings_->value(key);
    // An ini line with commas reads back as a list; the setting is the text as written.
    const QString text = value.typeId() == QMetaType::QStringList
                             ? value.toStringList().join(QLatin1Char(','))
                             : value.toString();
    values.emplace_back(key.toStdString(), text.toStdString());
  }
  settings_->endGroup();
  return values;
}

bool QSettingsBackend::writeAll(const SettingsValues& values) {
  if (!settings_->isWritable()) {
    return false;
  }
  settings_->beginGroup(group_);
  for (const auto& [name, value] : values) {
    settings_->setValue(QString::fromStdString(name), QString::fromStdString(value));
  }
  settings_->endGroup();
  settings_->sync();
  return settings_->status() == QSettings::NoError;
}

}  // namespace kelvor
