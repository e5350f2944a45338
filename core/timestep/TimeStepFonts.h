#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/Prompter.h"
#include "settings/SettingsBackend.h"

namespace kelvor {

// A font as the time-step chart stores it: the fields of a logical font description. A negative
// height is a character height, a positive one a cell height; any non-zero italic, underline or
// strike-out byte switches the attribute on.
struct LogFont {
  std::int32_t height = 0;
  std::int32_t width = 0;
  std::int32_t escapement = 0;
  std::int32_t orientation = 0;
  std::int32_t weight = 0;
  std::uint8_t italic = 0;
  std::uint8_t underline = 0;
  std::uint8_t strikeOut = 0;
  std::uint8_t charSet = 0;
  std::uint8_t outPrecision = 0;
  std::uint8_t clipPrecision = 0;
  std::uint8_t quality = 0;
  std::uint8_t pitchAndFamily = 0;
  std::string faceName;  // at most MaxFaceNameLength characters

  static constexpr std::size_t MaxFaceNameLength = 31;
  constexpr bool operator==(const LogFont&) const = default;
};

// The four fonts: Font1 labels everything but the title, Font4 is the title's; Font2 and Font3
// are kept and stored but draw nothing.
enum class TimeStepFont : int { Label = 1, Second = 2, Third = 3, Title = 4 };
inline constexpr int TimeStepFontCount = 4;

// The settings group of a font: "TimeStepView/TimeStepViewFonts/Font<n>".
std::string fontSettingsGroup(TimeStepFont font);
// The font written when its group does not exist yet.
LogFont defaultLogFont(TimeStepFont font);

inline constexpr const char* FontSettingsFailedText =
    "Unable Create Registry for the fonts of Time-Step-View";

// Opens the settings group of a font (the desktop's user settings, a file, a map in tests).
using FontBackendFactory = std::function<std::unique_ptr<SettingsBackend>(TimeStepFont)>;

enum class FontAccess { Load, Save };
// What opening a font's group found.
enum class FontGroupState { Opened, Created, Failed };

// The one entry for reading and writing a font. Load: an existing group is read (height
// negated, the face name cut to 31 characters); a missing one is created with the defaults,
// which `font` then takes. Save: the font is written (heights as their absolute value); to a
// group that has vanished meanwhile, the defaults are written and `font` takes them. A group
// that can be neither read nor written shows FontSettingsFailedText and leaves `font` alone.
FontGroupState fontSettings(FontAccess access, TimeStepFont which, LogFont& font,
                            const FontBackendFactory& backends, Prompter& prompter);

// The program-wide copies of the four fonts, loaded when a time-step view is created.
struct TimeStepFontSet {
  std::array<LogFont, TimeStepFontCount> fonts{};
  LogFont& operator[](TimeStepFont f) { return fonts[static_cast<std::size_t>(f) - 1]; }
  const LogFont& operator[](TimeStepFont f) const { return fonts[static_cast<std::size_t>(f) - 1]; }
  void loadAll(const FontBackendFactory& backends, Prompter& prompter);
};

}  // namespace kelvor
