#pragma once

#include <QFont>

#include "timestep/TimeStepFonts.h"

namespace kelvor::gui {

// The painting font of a stored font: the face name as family; a negative height is the
// character height in pixels, a positive one the cell height (the characters drawn somewhat
// smaller), zero the family's default size; weights 1..1000 on Qt's scale of 100 steps, 0 normal;
// italic, underline and strike-out on for any non-zero byte. Escapement and orientation are not
// painted.
QFont toQFont(const LogFont& font);

// The stored form of a font chosen in the font dialog: a character height (from the pixel size,
// else from the point size at 96 dpi), the weight on the 100..900 scale and the family cut to
// the stored length. Width, escapement, orientation and the remaining bytes come from `base`;
// an attribute that stays on keeps the byte `base` stored for it.
LogFont toLogFont(const QFont& font, const LogFont& base);

}  // namespace kelvor::gui
