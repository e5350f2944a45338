#include "settings/ComSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordingPrompter.h"

namespace kelvor {
namespace {

using test::RecordingPrompter;

std::vector<std::string> textsOf(const RecordingPrompter& prompter) {
  std::vector<std::string> texts;
  for (const auto& shown : prompter.shown) {
    texts.push_back(shown.text);
  }
  return texts;
}

// Stored values that all differ from their defaults, so that a wrong fallback shows.
SettingsValues storedValues() {
  return {{comsetting::Port, "7"},
          {comsetting::SwitchUpBaudRate, "57600"},
          {comsetting::SwitchUpFrameSize, "256"},
          {comsetting::DefaultFrameSize, "256"},
          {comsetting::DefaultBaudRate, "57600"}};
}

TEST(ComSettings, FirstStartTakesTheLinkConfigurationWritesDefaultsAndSumsThemUp) {
  struct Case {
    const char* what;
    std::optional<LinkStoredConfig> link;
    bool failWrites;
    std::int32_t port;
    std::uint32_t baud;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"link configuration read",
       LinkStoredConfig{4, 57600, 9},
       false,
       4,
       57600,
       {firstStartSummary(4, 57600, 64)}},
      {"link configuration unreadable",
       std::nullopt,
       false,
       NoPort,
       115200,
       {comsettingtext::LinkConfigUnreadable, firstStartSummary(NoPort, 115200, 64)}},
      {"link configuration without a rate",
       LinkStoredConfig{0, 0, 0},
       false,
       0,
       115200,
       {firstStartSummary(0, 115200, 64)}},
      {"group cannot be written",
       LinkStoredConfig{1, 9600, 0},
       true,
       1,
       9600,
       {comsettingtext::CreateFailed, firstStartSummary(1, 9600, 64)}},
  };
  for (const Case& c : cases) {
    MemorySettingsBackend backend;
    backend.setFailWrites(c.failWrites);
    RecordingPrompter prompter;
    ComSettings settings;
    const auto result = settings.Load(backend, prompter, [&] { return c.link; });
    EXPECT_EQ(result, ComSettings::LoadResult::Created) << c.what;
    EXPECT_EQ(settings.portIndex(), c.port) << c.what;
    EXPECT_EQ(settings.defaultBaudRate(), c.baud) << c.what;
    EXPECT_EQ(settings.switchUpBaudRate(), 115200u) << c.what;
    EXPECT_EQ(settings.switchUpFrameSize(), 64u) << c.what;
    EXPECT_EQ(settings.defaultFrameSize(), 64u) << c.what;
    EXPECT_EQ(textsOf(prompter), c.messages) << c.what;
    if (!c.failWrites) {
      const SettingsValues expected = {{comsetting::DefaultFrameSize, "64"},
                                       {comsetting::SwitchUpFrameSize, "64"},
                                       {comsetting::SwitchUpBaudRate, "115200"},
                                       {comsetting::DefaultBaudRate, std::to_string(c.baud)},
                                       {comsetting::Port, std::to_string(c.port)}};
      EXPECT_EQ(backend.values(), expected) << c.what;
    }
  }
}

TEST(ComSettings, FirstStartSummaryIsFormattedExactly) {
  EXPECT_EQ(firstStartSummary(2, 115200, 64),
            "No registry settings for serial communication found. \n Using default values : \n"
            "Com Port            :   COM3 \nBaud Rate          :   115200  \n"
            "QFL Frame Size  :   64 Bytes");
}

TEST(ComSettings, StoredValuesRoundTripWithoutMessages) {
  ComSettings written;
  written.setPortIndex(11);
  written.setSwitchUpBaudRate(921600);
  written.setSwitchUpFrameSize(256);
  written.setDefaultFrameSize(128);
  written.setDefaultBaudRate(9600);
  MemorySettingsBackend backend;
  ASSERT_TRUE(written.Save(backend));
  const SettingsValues order = backend.values();
  ASSERT_EQ(order.size(), 5u);
  EXPECT_EQ(order[0].first, comsetting::SwitchUpBaudRate) << "the sheet's order: 4, 3, 2, 1, 6";
  EXPECT_EQ(order[1].first, comsetting::Port);
  EXPECT_EQ(order[4].first, comsetting::DefaultBaudRate);

  RecordingPrompter prompter;
  ComSettings read;
  EXPECT_EQ(read.Load(backend, prompter), ComSettings::LoadResult::Read);
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(read.portIndex(), 11);
  EXPECT_EQ(read.switchUpBaudRate(), 921600u);
  EXPECT_EQ(read.switchUpFrameSize(), 256u);
  EXPECT_EQ(read.defaultFrameSize(), 128u);
  EXPECT_EQ(read.defaultBaudRate(), 9600u);

  // No port survives too, also in the unsigned 32-bit form of -1.
  for (const char* text : {"-1", "4294967295"}) {
    written.setPortIndex(NoPort);
    ASSERT_TRUE(written.Save(backend));
    backend.writeAll({{comsetting::Port, text}});
    read.Load(backend, prompter);
    EXPECT_EQ(read.portIndex(), NoPort) << text;
  }
  EXPECT_TRUE(prompter.shown.empty());
}

TEST(ComSettings, BadStoredValueTakesItsDefaultAndShowsItsMessage) {
  struct Case {
    const char* name;
    const char* text;  // nullptr: the value is missing
    const char* message;
  };
  const Case cases[] = {
      {comsetting::SwitchUpBaudRate, "fast", comsettingtext::SwitchUpBaudRateUnreadable},
      {comsetting::SwitchUpBaudRate, "0", comsettingtext::SwitchUpBaudRateUnreadable},
      {comsetting::SwitchUpBaudRate, "4294967296", comsettingtext::SwitchUpBaudRateUnreadable},
      {comsetting::SwitchUpFrameSize, "100", comsettingtext::SwitchUpFrameSizeUnreadable},
      {comsetting::DefaultFrameSize, "", comsettingtext::DefaultFrameSizeUnreadable},
      {comsetting::DefaultFrameSize, nullptr, comsettingtext::DefaultFrameSizeUnreadable},
      {comsetting::DefaultBaudRate, "-9600", comsettingtext::DefaultBaudRateUnreadable},
      {comsetting::Port, "-2", comsettingtext::PortUnreadable},
      {comsetting::Port, "3x", comsettingtext::PortUnreadable},
      {comsetting::Port, nullptr, comsettingtext::PortUnreadable},
  };
  for (const Case& c : cases) {
    SettingsValues values;
    for (const auto& entry : storedValues()) {
      if (entry.first != c.name) {
        values.push_back(entry);
      } else if (c.text != nullptr) {
        values.emplace_back(entry.first, c.text);
      }
    }
    MemorySettingsBackend backend(values);
    RecordingPrompter prompter;
    ComSettings settings;
    EXPECT_EQ(settings.Load(backend, prompter), ComSettings::LoadResult::Read);
    const std::string name = c.name;
    const std::string what = name + "=" + (c.text != nullptr ? c.text : "(missing)");
    EXPECT_EQ(textsOf(prompter), std::vector<std::string>{c.message}) << what;
    EXPECT_EQ(settings.portIndex(), name == comsetting::Port ? FallbackPortIndex : 7) << what;
    EXPECT_EQ(settings.switchUpBaudRate(), name == comsetting::SwitchUpBaudRate ? 115200u : 57600u)
        << what;
    EXPECT_EQ(settings.defaultBaudRate(), name == comsetting::DefaultBaudRate ? 115200u : 57600u)
        << what;
    EXPECT_EQ(settings.switchUpFrameSize(), name == comsetting::SwitchUpFrameSize ? 64u : 256u)
        << what;
    EXPECT_EQ(settings.defaultFrameSize(), name == comsetting::DefaultFrameSize ? 64u : 256u)
        << what;
  }
}

TEST(ComSettings, UnreadableValuesAreReportedInReadingOrder) {
  MemorySettingsBackend backend(SettingsValues{{"unrelated", "1"}});
  RecordingPrompter prompter;
  ComSettings settings;
  EXPECT_EQ(settings.Load(backend, prompter), ComSettings::LoadResult::Read);
  const std::vector<std::string> expected = {
      comsettingtext::SwitchUpBaudRateUnreadable, comsettingtext::SwitchUpFrameSizeUnreadable,
      comsettingtext::DefaultFrameSizeUnreadable, comsettingtext::DefaultBaudRateUnreadable,
      comsettingtext::PortUnreadable};
  EXPECT_EQ(textsOf(prompter), expected);
  EXPECT_EQ(settings.portIndex(), 0) << "the message announces COM1";
}

TEST(ComSettings, WriteItemWritesOneValueAndToleratesAnUnwritableGroup) {
  MemorySettingsBackend backend(storedValues());
  ComSettings settings;
  settings.setDefaultFrameSize(256);
  settings.setPortIndex(5);
  EXPECT_TRUE(settings.WriteItem(backend, ComSettingsItem::DefaultFrameSize));
  SettingsValues expected = storedValues();
  expected[3].second = "256";
  EXPECT_EQ(backend.values(), expected);

  backend.setFailWrites(true);
  EXPECT_FALSE(settings.WriteItem(backend, ComSettingsItem::Port));
  EXPECT_EQ(backend.values(), expected);
}

TEST(ComSettings, PortTableMapsComNamesToTheirIndexAndNumbersDevicePathsAfterThem) {
  RecordingPrompter prompter;
  const std::vector<SerialPort> table =
      availablePortTable(std::vector<std::string>{"COM12", "/dev/ttyUSB0", "COM3", "com1", "COM0",
                                                  "/dev/ttyS0", "COM3", "COMx", ""},
                         prompter);
  const std::vector<SerialPort> expected = {{0, "COM1"},        {2, "COM3"},          {11, "COM12"},
                                            {12, "/dev/ttyS0"}, {13, "/dev/ttyUSB0"}, {14, "COMx"}};
  EXPECT_EQ(table, expected);
  EXPECT_TRUE(prompter.shown.empty());

  EXPECT_EQ(portName(table, 11), "COM12");
  EXPECT_EQ(portName(table, 13), "/dev/ttyUSB0");
  EXPECT_EQ(portName(table, 40), "COM41") << "a stored port that is not plugged in";
  EXPECT_EQ(portName(table, NoPort), "");

  const std::vector<SerialPort> paths =
      availablePortTable(std::vector<std::string>{"/dev/ttyACM1", "/dev/ttyACM0"}, prompter);
  EXPECT_EQ(paths, (std::vector<SerialPort>{{0, "/dev/ttyACM0"}, {1, "/dev/ttyACM1"}}));
}

TEST(ComSettings, UnreadablePortListIsReportedAndEmpty) {
  RecordingPrompter prompter;
  EXPECT_TRUE(availablePortTable(std::nullopt, prompter).empty());
  EXPECT_EQ(textsOf(prompter), std::vector<std::string>{comsettingtext::PortListUnreadable});
}

TEST(ComSettings, RefreshRateOutsideItsRangeIsReplacedByTheDefault) {
  const std::pair<const char*, const char*> cases[] = {
      {"500", "500"},    {"10000", "10000"}, {"2500", "2500"}, {"499", "1000"},
      {"10001", "1000"}, {"", "1000"},       {"12ab", "1000"}};
  for (const auto& [typed, kept] : cases) {
    RecordingPrompter prompter;
    EXPECT_EQ(checkedRefreshRateText(typed, prompter), kept) << '"' << typed << '"';
    const bool replaced = std::string(typed) != kept;
    EXPECT_EQ(textsOf(prompter), replaced
                                     ? std::vector<std::string>{comsettingtext::InvalidRefreshRate}
                                     : std::vector<std::string>{})
        << '"' << typed << '"';
  }
}

TEST(ComSettings, FrameSizeListEntries) {
  const std::pair<std::uint32_t, std::size_t> sizes[] = {
      {64, 0}, {128, 1}, {256, 2}, {512, 0}, {0, 0}};
  for (const auto& [size, entry] : sizes) {
    EXPECT_EQ(frameSizeListIndex(size), entry) << size;
  }
  EXPECT_EQ(frameSizeFromListIndex(2), 256u);
  EXPECT_EQ(frameSizeFromListIndex(3), 64u);
}

TEST(ComSettings, BaudRateTextSetsTheRateOrTheUsbMode) {
  ComSettings settings;
  EXPECT_EQ(baudRateListTexts(false).size() + 1, baudRateListTexts(true).size());
  EXPECT_EQ(baudRateListTexts(true).back(), UsbChoice);

  EXPECT_EQ(applyBaudRateText(settings, "usb", true), BaudRateChoice::Usb);
  EXPECT_TRUE(settings.usbMode());
  EXPECT_EQ(settings.switchUpBaudRate(), 115200u) << "USB keeps the current rate";

  EXPECT_EQ(applyBaudRateText(settings, "460800", true), BaudRateChoice::Rate);
  EXPECT_FALSE(settings.usbMode());
  EXPECT_EQ(settings.switchUpBaudRate(), 460800u);

  settings.setUsbMode(true);
  EXPECT_EQ(applyBaudRateText(settings, "57600", false), BaudRateChoice::Rate);
  EXPECT_EQ(settings.defaultBaudRate(), 57600u);
  EXPECT_TRUE(settings.usbMode()) << "only the switch-up list changes the USB mode";
  EXPECT_EQ(applyBaudRateText(settings, "USB", false), BaudRateChoice::Usb);
  EXPECT_EQ(settings.defaultBaudRate(), 57600u);

  EXPECT_EQ(applyBaudRateText(settings, "", true), BaudRateChoice::Rejected);
  EXPECT_EQ(settings.switchUpBaudRate(), 460800u);

  EXPECT_STREQ(usbSetupMessage(1), comsettingtext::UsbSetupDone);
  EXPECT_STREQ(usbSetupMessage(0), comsettingtext::UsbSetupRefused);
  EXPECT_STREQ(usbSetupMessage(-1), comsettingtext::UsbSetupFailed);
  EXPECT_EQ(portCannotBeOpenedText(11), "Com Port  12 Cannot Be Opened !!!");
}

}  // namespace
}  // namespace kelvor
