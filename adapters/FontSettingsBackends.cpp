#include "FontSettingsBackends.h"

#include "QSettingsBackend.h"

namespace kelvor {

namespace {

QString groupOf(TimeStepFont font) {
  return QString::fromStdString(fontSettingsGroup(font));
}

}  // namespace

FontBackendFactory userFontBackends() {
  return [](TimeStepFont font) -> std::unique_ptr<SettingsBackend> {
    return std::make_unique<QSettingsBackend>(groupOf(font));
  };
}

FontBackendFactory fileFontBackends(const QString& fileName, QSettings::Format format) {
  return [fileName, format](TimeStepFont font) -> std::unique_ptr<SettingsBackend> {
    return std::make_unique<QSettingsBackend>(fileName, format, groupOf(font));
  };
}

}  // namespace kelvor
