#include "views/TimeStepFontMapping.h"

#include <QList>
#include <QString>
#include <algorithm>
#include <cmath>

namespace kelvor::gui {

namespace {

// Characters of a cell-height font take about this share of the cell.
constexpr double CharacterShareOfCell = 0.8;
constexpr double ScreenDpi = 96.0;
constexpr double PointsPerInch = 72.0;

std::uint8_t attributeByte(bool on, std::uint8_t stored) {
  if (!on) {
    return 0;
  }
  return stored != 0 ? stored : 1;
}

}  // namespace

QFont toQFont(const LogFont& font) {
  QFont result(QString::fromStdString(font.faceName));
  if (font.height < 0) {
    // Widened first: the magnitude of the lowest 32-bit value does not fit 32 bits.
    const auto magnitude = -static_cast<std::int64_t>(font.height);
    result.setPixelSize(static_cast<int>(std::min<std::int64_t>(magnitude, 0x7FFFFFFF)));
  } else if (font.height > 0) {
    const double size = std::round(font.height * CharacterShareOfCell);
    result.setPixelSize(std::max(1, static_cast<int>(size)));
  }
  if (font.weight <= 0) {
    result.setWeight(QFont::Normal);
  } else {
    // Qt's named weights are the hundreds of the same scale.
    const int weight = std::clamp((font.weight + 50) / 100 * 100, 100, 900);
    result.setWeight(static_cast<QFont::Weight>(weight));
  }
  result.setItalic(font.italic != 0);
  result.setUnderline(font.underline != 0);
  result.setStrikeOut(font.strikeOut != 0);
  return result;
}

LogFont toLogFont(const QFont& font, const LogFont& base) {
  LogFont result = base;
  if (font.pixelSize() > 0) {
    result.height = -font.pixelSize();
  } else if (font.pointSizeF() > 0) {
    const double pixels = std::round(font.pointSizeF() * ScreenDpi / PointsPerInch);
    result.height = -std::max(1, static_cast<int>(pixels));
  }
  result.weight = std::clamp(static_cast<int>(font.weight()), 100, 900);
  result.italic = attributeByte(font.italic(), base.italic);
  result.underline = attributeByte(font.underline(), base.underline);
  result.strikeOut = attributeByte(font.strikeOut(), base.strikeOut);
  // Cut by characters, as the stored name is read back.
  QList<uint> characters = font.family().toUcs4();
  if (characters.size() > static_cast<qsizetype>(LogFont::MaxFaceNameLength)) {
    characters.resize(static_cast<qsizetype>(LogFont::MaxFaceNameLength));
  }
  result.faceName = QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()),
                                      characters.size())
                        .toStdString();
  return result;
}

}  // namespace kelvor::gui
