#include "settings/AnalysisSettings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kelvor {
namespace {

TEST(AnalysisSettings, MopBaseIsBasePlusOffsetAndAbsentWithoutBase) {
  struct Case {
    const char* base;
    const char* offset;
    std::optional<std::uint32_t> expected;
  };
  const Case cases[] = {
      {"", "10", std::nullopt}, {"C0000020", "", 0xC0000020u}, {"0x20", "0x10", 0x30u},
      {"20", "zz", 0x20u},      {"FFFFFFFF", "1", 0u},  // wraps like the 32-bit address arithmetic
                                                        // of the listings
  };
  for (const Case& c : cases) {
    MemorySettingsBackend backend;
    SettingsStore store(backend);
    store.Set(setting::MopBase, c.base);
    store.Set(setting::MopOffset, c.offset);
    EXPECT_EQ(mopBaseAddress(store), c.expected) << c.base << " + " << c.offset;
  }
}

TEST(AnalysisSettings, StartClockNeedsMappingAndANumber) {
  MemorySettingsBackend backend;
  SettingsStore store(backend);
  store.Set(setting::StartClock, "26");
  EXPECT_EQ(startClock(store), std::nullopt) << "without a mapping entry the clock carries over";
  store.Set(setting::Mapping, "");
  EXPECT_EQ(startClock(store), 26.0);
  store.Set(setting::StartClock, "fast");
  EXPECT_EQ(startClock(store), std::nullopt);
}

TEST(AnalysisSettings, RefreshRateStaysWithinItsRange) {
  const std::pair<const char*, int> cases[] = {{"", 1000},   {"abc", 1000},  {"250", 500},
                                               {"500", 500}, {"2500", 2500}, {"99999", 10000}};
  for (const auto& [text, expected] : cases) {
    MemorySettingsBackend backend;
    SettingsStore store(backend);
    store.Set(setting::RefreshRate, text);
    EXPECT_EQ(refreshRateMs(store), expected) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace kelvor
