#include "FontSettingsBackends.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "RecordingPrompter.h"

namespace kelvor {
namespace {

class FontSettingsBackendsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
  QTemporaryDir dir_;
  test::RecordingPrompter prompter_;
};

TEST_F(FontSettingsBackendsTest, IniFileKeepsEachFontInItsOwnGroup) {
  const QString file = path("fonts.ini");
  TimeStepFontSet fonts;
  fonts.loadAll(fileFontBackends(file, QSettings::IniFormat), prompter_);
  EXPECT_TRUE(prompter_.shown.empty());
  {
    QSettings raw(file, QSettings::IniFormat);
    EXPECT_EQ(raw.value("TimeStepView/TimeStepViewFonts/Font1/Name").toString(), "Courier New");
    EXPECT_EQ(raw.value("TimeStepView/TimeStepViewFonts/Font1/Height").toString(), "12");
    EXPECT_EQ(raw.value("TimeStepView/TimeStepViewFonts/Font4/Underline").toString(), "3");
    // A user's edit of the file: a cell height and an overlong face name.
    raw.setValue("TimeStepView/TimeStepViewFonts/Font4/Height", "20");
    raw.setValue("TimeStepView/TimeStepViewFonts/Font4/Name", QString(40, QLatin1Char('x')));
  }
  TimeStepFontSet again;
  again.loadAll(fileFontBackends(file, QSettings::IniFormat), prompter_);
  EXPECT_EQ(again[TimeStepFont::Label], defaultLogFont(TimeStepFont::Label));
  EXPECT_EQ(again[TimeStepFont::Title].height, -20);
  EXPECT_EQ(again[TimeStepFont::Title].faceName, std::string(31, 'x'));

  LogFont chosen = again[TimeStepFont::Title];
  chosen.height = 18;
  EXPECT_EQ(fontSettings(FontAccess::Save, TimeStepFont::Title, chosen,
                         fileFontBackends(file, QSettings::IniFormat), prompter_),
            FontGroupState::Opened);
  QSettings raw(file, QSettings::IniFormat);
  EXPECT_EQ(raw.value("TimeStepView/TimeStepViewFonts/Font4/Height").toString(), "18");
}

TEST_F(FontSettingsBackendsTest, UserFontsLiveBesideTheUserSettings) {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  LogFont font;
  EXPECT_EQ(
      fontSettings(FontAccess::Load, TimeStepFont::Second, font, userFontBackends(), prompter_),
      FontGroupState::Created);
  QSettings user(QSettings::NativeFormat, QSettings::UserScope, "Norvik", "Kelvor TLA");
  ASSERT_TRUE(user.fileName().startsWith(dir_.path())) << user.fileName().toStdString();
  EXPECT_EQ(user.value("TimeStepView/TimeStepViewFonts/Font2/Name").toString(), "Arial");
  EXPECT_EQ(user.value("TimeStepView/TimeStepViewFonts/Font2/Italic").toString(), "10");
}

}  // namespace
}  // namespace kelvor
