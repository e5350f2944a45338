#include "QSettingsBackend.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "settings/SettingsStore.h"

namespace kelvor {
namespace {

// Every test works in a temporary directory and never opens the user's real settings.
class QSettingsBackendTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
  QTemporaryDir dir_;
};

TEST_F(QSettingsBackendTest, MissingFileReadsAsEmpty) {
  QSettingsBackend backend(path("none.ini"), QSettings::IniFormat);
  SettingsStore store(backend);
  store.Load();
  EXPECT_TRUE(store.values().empty());
  EXPECT_EQ(store.Get("startadress"), "");
}

TEST_F(QSettingsBackendTest, RoundTripKeepsUnknownNamesAndOtherGroups) {
  {
    QFile file(path("kelvor.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "[Settings]\nstartadress=A0000000\nFutureOption=kept\npid=/ids/phone.cepid\n"
        "mapping=a, b\n"
        "[ComSettings]\nPort=3\n");
  }
  {
    QSettingsBackend backend(path("kelvor.ini"), QSettings::IniFormat);
    SettingsStore store(backend);
    store.Load();
    EXPECT_EQ(store.Get("startadress"), "A0000000");
    EXPECT_EQ(store.Get("pid"), "/ids/phone.cepid");
    EXPECT_EQ(store.Get("mapping"), "a,b");
    store.Set("clkspeedstart", "52");
    store.Set("startadress", "B0000000");
    ASSERT_TRUE(store.Save());
  }
  QSettingsBackend backend(path("kelvor.ini"), QSettings::IniFormat);
  SettingsStore store(backend);
  store.Load();
  EXPECT_EQ(store.Get("FutureOption"), "kept");
  EXPECT_EQ(store.Get("clkspeedstart"), "52");
  EXPECT_EQ(store.Get("startadress"), "B0000000");
  EXPECT_EQ(store.values().size(), 5u);

  QSettings raw(path("kelvor.ini"), QSettings::IniFormat);
  EXPECT_EQ(raw.value("ComSettings/Port").toString(), "3");
}

TEST_F(QSettingsBackendTest, UserSettingsLiveUnderNorvikKelvorTla) {
  // Point the user scope at the temporary directory before touching it.
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  QSettingsBackend backend;
  ASSERT_TRUE(backend.location().startsWith(dir_.path())) << backend.location().toStdString();
  EXPECT_TRUE(backend.location().contains("Norvik"));
  EXPECT_TRUE(backend.location().contains("Kelvor TLA"));
  SettingsStore store(backend);
  store.Set("RefreshRate", "500");
  ASSERT_TRUE(store.Save());

  QSettingsBackend again;
  SettingsStore reread(again);
  reread.Load();
  EXPECT_EQ(reread.Get("RefreshRate"), "500");
}

}  // namespace
}  // namespace kelvor
