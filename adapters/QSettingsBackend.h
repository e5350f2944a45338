#pragma once

#include <QSettings>
#include <QString>
#include <memory>

#include "settings/SettingsBackend.h"

namespace kelvor {

// Settings kept by QSettings in one group ("Settings" unless told otherwise). By default the
// user's own settings of organisation "Norvik", application "Kelvor TLA", in the platform's
// native format; or any settings file, e.g. an ini file handed to the batch tool.
class QSettingsBackend final : public SettingsBackend {
 public:
  static constexpr const char* Organisation = "Norvik";
  static constexpr const char* Application = "Kelvor TLA";
  static constexpr const char* DefaultGroup = "Settings";

  // The current user's settings.
  explicit QSettingsBackend(const QString& group = DefaultGroup);
  // A settings file of the given format.
  QSettingsBackend(const QString& fileName, QSettings::Format format,
                   const QString& group = DefaultGroup);

  SettingsValues readAll() override;
  bool writeAll(const SettingsValues& values) override;

  QString location() const { return settings_->fileName(); }

 private:
  std::unique_ptr<QSettings> settings_;
  QString group_;
};

}  // namespace kelvor
