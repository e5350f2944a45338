#pragma once

#include <QSettings>
#include <QString>

#include "timestep/TimeStepFonts.h"

namespace kelvor {

// The time-step chart's fonts in the current user's settings, one group per font. The desktop
// keeps them there even when its analysis settings come from a file given with --config: that
// file is never written, and a font chosen in such a run is still remembered.
FontBackendFactory userFontBackends();

// The fonts in a settings file of the given format (tests, a portable setup).
FontBackendFactory fileFontBackends(const QString& fileName, QSettings::Format format);

}  // namespace kelvor
