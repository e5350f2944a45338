#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

namespace kelvor {
namespace {

TEST(SettingsStore, FirstStartReadsEveryKeyAsEmpty) {
  MemorySettingsBackend backend;
  SettingsStore store(backend);
  store.Load();
  for (const char* key :
       {"pid", "interrupt_sources", "mapping", "startadress", "clkspeedstart", "RefreshRate"}) {
    EXPECT_EQ(store.Get(key), "") << key;
    EXPECT_FALSE(store.Contains(key)) << key;
  }
}

TEST(SettingsStore, UnknownNamesSurviveALoadSaveRoundTrip) {
  MemorySettingsBackend backend({{"startadress", "A0000000"}, {"FutureOption", "x y z"}});
  SettingsStore store(backend);
  store.Load();
  EXPECT_EQ(store.Get("startadress"), "A0000000");
  store.Set("startadress", "B0000000");
  store.Set("clkspeedstart", "26");
  ASSERT_TRUE(store.Save());

  SettingsStore reread(backend);
  reread.Load();
  EXPECT_EQ(reread.Get("FutureOption"), "x y z");
  EXPECT_EQ(reread.Get("startadress"), "B0000000");
  EXPECT_EQ(reread.Get("clkspeedstart"), "26");
  EXPECT_EQ(reread.values().size(), 3u);
}

TEST(SettingsStore, PresentButEmptyDiffersFromAbsent) {
  MemorySettingsBackend backend(SettingsValues{{"mapping", ""}});
  SettingsStore store(backend);
  store.Load();
  EXPECT_TRUE(store.Contains("mapping"));
  EXPECT_EQ(store.Get("mapping"), "");
}

TEST(SettingsStore, FailedSaveIsReportedAndKeepsStoredValues) {
  MemorySettingsBackend backend(SettingsValues{{"pid", "old.cepid"}});
  SettingsStore store(backend);
  store.Load();
  store.Set("pid", "new.cepid");
  backend.setFailWrites(true);
  EXPECT_FALSE(store.Save());
  EXPECT_EQ(backend.values().front().second, "old.cepid");
}

}  // namespace
}  // namespace kelvor
