#include "timestep/TimeStepFonts.h"

#include <gtest/gtest.h>

#include <map>

#include "RecordingPrompter.h"

namespace kelvor {
namespace {

// Hands out a backend that works on a group kept by the fixture, so that what one call writes
// the next call reads.
class SharedBackend final : public SettingsBackend {
 public:
  explicit SharedBackend(MemorySettingsBackend& group) : group_(group) {}
  SettingsValues readAll() override { return group_.readAll(); }
  bool writeAll(const SettingsValues& values) override { return group_.writeAll(values); }

 private:
  MemorySettingsBackend& group_;
};

class TimeStepFontsTest : public ::testing::Test {
 protected:
  FontBackendFactory factory() {
    return [this](TimeStepFont font) {
      return std::make_unique<SharedBackend>(groups[static_cast<int>(font)]);
    };
  }
  FontGroupState run(FontAccess access, TimeStepFont which, LogFont& font) {
    return fontSettings(access, which, font, factory(), prompter);
  }
  std::string stored(TimeStepFont font, const std::string& name) {
    for (const auto& [key, value] : groups[static_cast<int>(font)].values()) {
      if (key == name) {
        return value;
      }
    }
    return "<missing>";
  }

  std::map<int, MemorySettingsBackend> groups;
  test::RecordingPrompter prompter;
};

TEST_F(TimeStepFontsTest, FirstStartWritesTheDefaultsInOrder) {
  TimeStepFontSet set;
  set.loadAll(factory(), prompter);
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(set[TimeStepFont::Label].faceName, "Courier New");
  EXPECT_EQ(set[TimeStepFont::Label].height, -12);
  for (int n = 1; n <= TimeStepFontCount; ++n) {
    const auto which = static_cast<TimeStepFont>(n);
    EXPECT_EQ(set[which], defaultLogFont(which)) << n;
  }
  const SettingsValues expected = {{"Height", "20"},         {"Width", "0"},
                                   {"Escapement", "0"},      {"Orientation", "0"},
                                   {"Weight", "700"},        {"Italic", "15"},
                                   {"Underline", "3"},       {"StrikeOut", "0"},
                                   {"CharSet", "1"},         {"OutPrecision", "2"},
                                   {"ClipPrecision", "1"},   {"Quality", "0"},
                                   {"nPitchAndFamily", "0"}, {"Name", "Times New Roman"}};
  EXPECT_EQ(groups[4].values(), expected);
  // A second start reads them back; Font3's positive cell height returns as a character height.
  TimeStepFontSet again;
  again.loadAll(factory(), prompter);
  EXPECT_EQ(again[TimeStepFont::Title], set[TimeStepFont::Title]);
  EXPECT_EQ(again[TimeStepFont::Third].height, -12);
  EXPECT_EQ(again[TimeStepFont::Third].escapement, 900);
}

TEST_F(TimeStepFontsTest, GroupNamesAndStates) {
  EXPECT_EQ(fontSettingsGroup(TimeStepFont::Label), "TimeStepView/TimeStepViewFonts/Font1");
  EXPECT_EQ(fontSettingsGroup(TimeStepFont::Title), "TimeStepView/TimeStepViewFonts/Font4");
  LogFont font;
  EXPECT_EQ(run(FontAccess::Load, TimeStepFont::Second, font), FontGroupState::Created);
  EXPECT_EQ(run(FontAccess::Load, TimeStepFont::Second, font), FontGroupState::Opened);
  EXPECT_EQ(font, defaultLogFont(TimeStepFont::Second));
}

TEST_F(TimeStepFontsTest, HeightsAreStoredAsMagnitudesAndReadAsCharacterHeights) {
  groups[1] = MemorySettingsBackend({{"Height", "20"}, {"Width", "7"}, {"Name", "Courier"}});
  LogFont font;
  EXPECT_EQ(run(FontAccess::Load, TimeStepFont::Label, font), FontGroupState::Opened);
  EXPECT_EQ(font.height, -20);
  EXPECT_EQ(font.width, 7);
  EXPECT_EQ(font.faceName, "Courier");
  EXPECT_EQ(font.weight, 400);  // missing values keep the defaults

  font.height = 15;  // a cell height chosen in the font dialog
  font.width = -3;
  EXPECT_EQ(run(FontAccess::Save, TimeStepFont::Label, font), FontGroupState::Opened);
  EXPECT_EQ(stored(TimeStepFont::Label, "Height"), "15");
  EXPECT_EQ(stored(TimeStepFont::Label, "Width"), "3");
  LogFont back;
  run(FontAccess::Load, TimeStepFont::Label, back);
  EXPECT_EQ(back.height, -15);
  EXPECT_EQ(back.width, 3);
}

TEST_F(TimeStepFontsTest, LongNamesAreCutAndBadNumbersFallBackToTheDefault) {
  const std::string forty(40, 'N');
  groups[4] = MemorySettingsBackend({{"Height", "twelve"},
                                     {"Weight", "99999999999"},
                                     {"Italic", "256"},
                                     {"Underline", "-1"},
                                     {"StrikeOut", " 1 "},
                                     {"Quality", "2x"},
                                     {"Escapement", "-2147483648"},
                                     {"Name", forty}});
  LogFont font;
  EXPECT_EQ(run(FontAccess::Load, TimeStepFont::Title, font), FontGroupState::Opened);
  const LogFont defaults = defaultLogFont(TimeStepFont::Title);
  EXPECT_EQ(font.faceName, std::string(31, 'N'));
  EXPECT_EQ(font.height, defaults.height);
  EXPECT_EQ(font.weight, defaults.weight);
  EXPECT_EQ(font.italic, defaults.italic);
  EXPECT_EQ(font.underline, defaults.underline);
  EXPECT_EQ(font.quality, defaults.quality);
  EXPECT_EQ(font.strikeOut, 1);
  EXPECT_EQ(font.escapement, -2147483647 - 1);

  // A cut never splits a character: 30 letters and a two-byte letter make 31 characters.
  groups[4] = MemorySettingsBackend({{"Name", std::string(30, 'a') + "\xC3\xA9" + "bc"}});
  run(FontAccess::Load, TimeStepFont::Title, font);
  EXPECT_EQ(font.faceName, std::string(30, 'a') + "\xC3\xA9");
}

TEST_F(TimeStepFontsTest, AGroupThatCannotBeWrittenLeavesTheFontAlone) {
  LogFont font;
  font.faceName = "Mine";
  font.height = -9;
  const LogFont before = font;
  groups[1].setFailWrites(true);
  for (FontAccess access : {FontAccess::Load, FontAccess::Save}) {
    prompter.shown.clear();
    EXPECT_EQ(run(access, TimeStepFont::Label, font), FontGroupState::Failed);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, FontSettingsFailedText);
    EXPECT_EQ(prompter.shown[0].caption, ApplicationTitle);
    EXPECT_EQ(prompter.shown[0].icon, PromptIcon::Warning);
    EXPECT_EQ(font, before);
  }
  // No backend at all is the same failure.
  const FontBackendFactory none = [](TimeStepFont) { return std::unique_ptr<SettingsBackend>(); };
  EXPECT_EQ(fontSettings(FontAccess::Load, TimeStepFont::Label, font, none, prompter),
            FontGroupState::Failed);
  EXPECT_EQ(font, before);
}

TEST_F(TimeStepFontsTest, SavingToAVanishedGroupStoresAndTakesTheDefaults) {
  LogFont chosen = defaultLogFont(TimeStepFont::Label);
  chosen.faceName = "Consolas";
  chosen.height = -16;
  EXPECT_EQ(run(FontAccess::Save, TimeStepFont::Label, chosen), FontGroupState::Created);
  EXPECT_EQ(chosen, defaultLogFont(TimeStepFont::Label));
  EXPECT_EQ(stored(TimeStepFont::Label, "Name"), "Courier New");
  EXPECT_EQ(stored(TimeStepFont::Label, "Height"), "12");
}

}  // namespace
}  // namespace kelvor
