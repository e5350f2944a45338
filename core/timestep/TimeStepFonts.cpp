#include "timestep/TimeStepFonts.h"

#include <cstdlib>
#include <limits>
#include <optional>
#include <string_view>

#include "common/TextNumbers.h"

namespace kelvor {

namespace {

// The numeric values of a font group, in the order they are written and read; "Name" follows.
constexpr std::array<const char*, 13> NumberNames = {
    "Height",        "Width",     "Escapement",     "Orientation", "Weight",
    "Italic",        "Underline", "StrikeOut",      "CharSet",     "OutPrecision",
    "ClipPrecision", "Quality",   "nPitchAndFamily"};
constexpr const char* FaceName = "Name";
constexpr std::size_t FirstByteField = 5;  // Italic and everything after it are bytes

using Numbers = std::array<std::int64_t, NumberNames.size()>;

Numbers numbersOf(const LogFont& f) {
  return {f.height,        f.width,     f.escapement,    f.orientation, f.weight,
          f.italic,        f.underline, f.strikeOut,     f.charSet,     f.outPrecision,
          f.clipPrecision, f.quality,   f.pitchAndFamily};
}

void assignNumbers(LogFont& f, const Numbers& n) {
  f.height = static_cast<std::int32_t>(n[0]);
  f.width = static_cast<std::int32_t>(n[1]);
  f.escapement = static_cast<std::int32_t>(n[2]);
  f.orientation = static_cast<std::int32_t>(n[3]);
  f.weight = static_cast<std::int32_t>(n[4]);
  f.italic = static_cast<std::uint8_t>(n[5]);
  f.underline = static_cast<std::uint8_t>(n[6]);
  f.strikeOut = static_cast<std::uint8_t>(n[7]);
  f.charSet = static_cast<std::uint8_t>(n[8]);
  f.outPrecision = static_cast<std::uint8_t>(n[9]);
  f.clipPrecision = static_cast<std::uint8_t>(n[10]);
  f.quality = static_cast<std::uint8_t>(n[11]);
  f.pitchAndFamily = static_cast<std::uint8_t>(n[12]);
}

// The first `count` characters of UTF-8 text; a character never loses part of its bytes.
std::string firstCharacters(const std::string& text, std::size_t count) {
  std::size_t end = 0;
  for (std::size_t seen = 0; end < text.size() && seen < count; ++seen) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0u) == 0x80u) {
      ++end;
    }
  }
  return text.substr(0, end);
}

const std::string* findValue(const SettingsValues& values, std::string_view name) {
  for (const auto& entry : values) {
    if (entry.first == name) {
      return &entry.second;
    }
  }
  return nullptr;
}

SettingsValues valuesOf(const LogFont& font) {
  Numbers numbers = numbersOf(font);
  // Heights and widths are kept as magnitudes; reading turns the height into a character height.
  numbers[0] = std::llabs(numbers[0]);
  numbers[1] = std::llabs(numbers[1]);
  SettingsValues values;
  values.reserve(NumberNames.size() + 1);
  for (std::size_t i = 0; i < NumberNames.size(); ++i) {
    values.emplace_back(NumberNames[i], std::to_string(numbers[i]));
  }
  values.emplace_back(FaceName, font.faceName);
  return values;
}

// The font a stored group describes; a value that is missing or no number of its field's range
// keeps the field's default.
LogFont fontFrom(const SettingsValues& values, const LogFont& defaults) {
  constexpr std::int64_t Int32Low = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t Int32High = std::numeric_limits<std::int32_t>::max();
  Numbers numbers = numbersOf(defaults);
  for (std::size_t i = 0; i < NumberNames.size(); ++i) {
    const std::string* text = findValue(values, NumberNames[i]);
    if (text == nullptr) {
      continue;
    }
    // The height is negated on reading, so its lowest value would not fit.
    const std::int64_t low = i >= FirstByteField ? 0 : (i == 0 ? Int32Low + 1 : Int32Low);
    const std::int64_t high = i >= FirstByteField ? 255 : Int32High;
    if (const auto value = parseBoundedInteger(*text, low, high)) {
      numbers[i] = i == 0 ? -*value : *value;
    }
  }
  LogFont font;
  assignNumbers(font, numbers);
  const std::string* name = findValue(values, FaceName);
  font.faceName =
      firstCharacters(name != nullptr ? *name : defaults.faceName, LogFont::MaxFaceNameLength);
  return font;
}

}  // namespace

std::string fontSettingsGroup(TimeStepFont font) {
  return "TimeStepView/TimeStepViewFonts/Font" + std::to_string(static_cast<int>(font));
}

LogFont defaultLogFont(TimeStepFont font) {
  LogFont f;
  f.charSet = 1;
  f.outPrecision = 2;
  f.clipPrecision = 1;
  switch (font) {
    case TimeStepFont::Label:
      f.height = -12;
      f.weight = 400;
      f.faceName = "Courier New";
      break;
    case TimeStepFont::Second:
      f.height = -11;
      f.weight = 400;
      f.italic = 10;
      f.faceName = "Arial";
      break;
    case TimeStepFont::Third:
      f.height = 12;
      f.escapement = 900;
      f.orientation = 900;
      f.weight = 700;
      f.italic = 10;
      f.faceName = "Arial";
      break;
    case TimeStepFont::Title:
      f.height = -20;
      f.weight = 700;
      f.italic = 15;
      f.underline = 3;
      f.faceName = "Times New Roman";
      break;
  }
  return f;
}

FontGroupState fontSettings(FontAccess access, TimeStepFont which, LogFont& font,
                            const FontBackendFactory& backends, Prompter& prompter) {
  const auto fail = [&] {
    prompter.message(FontSettingsFailedText, ApplicationTitle, PromptIcon::Warning);
    return FontGroupState::Failed;
  };
  std::unique_ptr<SettingsBackend> backend = backends ? backends(which) : nullptr;
  if (!backend) {
    return fail();
  }
  const SettingsValues stored = backend->readAll();
  if (stored.empty()) {
    // A group without values is created with the defaults, for a save as well as for a load:
    // the font then takes the defaults, so that the program shows what is stored.
    const LogFont defaults = defaultLogFont(which);
    if (!backend->writeAll(valuesOf(defaults))) {
      return fail();
    }
    font = defaults;
    return FontGroupState::Created;
  }
  if (access == FontAccess::Load) {
    font = fontFrom(stored, defaultLogFont(which));
  } else if (!backend->writeAll(valuesOf(font))) {
    return fail();
  }
  return FontGroupState::Opened;
}

void TimeStepFontSet::loadAll(const FontBackendFactory& backends, Prompter& prompter) {
  for (int n = 1; n <= TimeStepFontCount; ++n) {
    const auto which = static_cast<TimeStepFont>(n);
    fontSettings(FontAccess::Load, which, (*this)[which], backends, prompter);
  }
}

}  // namespace kelvor
