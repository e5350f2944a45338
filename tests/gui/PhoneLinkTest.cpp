#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CSetupSheet.h"
#include "app/PhoneLink.h"

namespace kelvor::test {
namespace {

using gui::PhoneLink;
using gui::PhoneLinkSetup;

// Groups of settings held by the test; every write is recorded.
struct SettingsGroups {
  struct Group {
    MemorySettingsBackend values;
    std::vector<SettingsValues> writes;
  };
  class Backend final : public SettingsBackend {
   public:
    explicit Backend(Group& group) : group_(group) {}
    SettingsValues readAll() override { return group_.values.readAll(); }
    bool writeAll(const SettingsValues& values) override {
      group_.writes.push_back(values);
      return group_.values.writeAll(values);
    }

   private:
    Group& group_;
  };

  std::map<std::string, Group> groups;

  // A setup over these groups; the library is the simulated phone with `config` stored.
  PhoneLinkSetup setup(LinkStoredConfig config = {0, 115200, 0}) {
    PhoneLinkSetup setup;
    setup.openGroup = [this](const char* name) -> std::unique_ptr<SettingsBackend> {
      return std::make_unique<Backend>(groups[name]);
    };
    setup.makeLibrary = [this, config](const LinkChoiceSetting& choice,
                                       std::string&) -> std::unique_ptr<LinkLibrary> {
      choices.push_back(choice);
      auto phone = std::make_unique<SimulatedPhone>();
      phone->writeConfData(static_cast<std::uint32_t>(config.portIndex), config.baudRate,
                           config.extra, 1);
      return phone;
    };
    return setup;
  }

  // The names written, one entry per write.
  std::vector<std::string> writtenNames(const std::string& group) {
    std::vector<std::string> names;
    for (const SettingsValues& write : groups[group].writes) {
      for (const auto& entry : write) {
        names.push_back(entry.first);
      }
    }
    return names;
  }

  std::vector<LinkChoiceSetting> choices;
};

std::vector<std::string> textsOf(const RecordingPrompter& prompter) {
  std::vector<std::string> texts;
  for (const auto& shown : prompter.shown) {
    texts.push_back(shown.text);
  }
  return texts;
}

// A complete serial group: loading it says nothing.
SettingsValues storedComSettings() {
  return {{comsetting::Port, "2"},
          {comsetting::SwitchUpBaudRate, "115200"},
          {comsetting::SwitchUpFrameSize, "64"},
          {comsetting::DefaultFrameSize, "64"},
          {comsetting::DefaultBaudRate, "115200"}};
}

TEST(PhoneLinkTest, FirstStartTakesThePortFromTheLibraryAndWritesTheDefaults) {
  SettingsGroups settings;
  RecordingPrompter prompter;
  {
    PhoneLink link(settings.setup({4, 57600, 0}), prompter);
    EXPECT_EQ(textsOf(prompter), std::vector<std::string>{firstStartSummary(4, 57600, 64)});
    EXPECT_EQ(prompter.shown[0].caption, ApplicationTitle);
    EXPECT_EQ(link.comSettings().portIndex(), 4);
    EXPECT_EQ(link.comSettings().defaultBaudRate(), 57600u);
    // The library was asked for its configuration and let go again.
    const std::vector<std::string>& calls = link.simulatedPhone()->calls();
    EXPECT_EQ(std::vector<std::string>(calls.end() - 5, calls.end()),
              (std::vector<std::string>{"init", "initThread", "readConfData", "closeCom",
                                        "deInitThread"}));
  }
  const SettingsValues& stored = settings.groups[ComSettingsGroup].values.values();
  EXPECT_EQ(stored.size(), 5u);
  EXPECT_TRUE(std::find(stored.begin(), stored.end(),
                        std::pair<std::string, std::string>{comsetting::Port, "4"}) !=
              stored.end());

  // The next start reads what the first one wrote, without a word.
  prompter.shown.clear();
  PhoneLink again(settings.setup({9, 9600, 0}), prompter);
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(again.comSettings().portIndex(), 4);
  EXPECT_EQ(again.comSettings().defaultBaudRate(), 57600u);
}

TEST(PhoneLinkTest, LinkChoiceIsReadAndHandedToTheFactory) {
  SettingsGroups settings;
  settings.groups[ComSettingsGroup].values = MemorySettingsBackend(storedComSettings());
  settings.groups[LinkChoiceGroup].values =
      MemorySettingsBackend(SettingsValues{{"link", "library"}, {"linklibrary", "/opt/a.so"}});
  PhoneLinkSetup setup = settings.setup();
  setup.libraryOverride = "/opt/b.so";
  RecordingPrompter prompter;
  PhoneLink link(setup, prompter);
  const LinkChoiceSetting expected{LinkKind::Library, "/opt/b.so"};
  EXPECT_EQ(link.linkChoice(), expected);
  EXPECT_EQ(settings.choices, std::vector<LinkChoiceSetting>{expected});

  // A choice that cannot be used is named, and a library that cannot be had leaves the simulated
  // phone in its place.
  settings.groups[LinkChoiceGroup].values =
      MemorySettingsBackend(SettingsValues{{"link", "bluetooth"}, {"linklibrary", "/opt/a.so"}});
  setup = settings.setup();
  setup.makeLibrary = [](const LinkChoiceSetting&, std::string& error) {
    error = "cannot open /opt/a.so";
    return std::unique_ptr<LinkLibrary>();
  };
  prompter.shown.clear();
  PhoneLink fallback(setup, prompter);
  EXPECT_EQ(fallback.linkChoice().kind, LinkKind::Library)
      << "the configured library is the default";
  ASSERT_NE(fallback.simulatedPhone(), nullptr);
  const std::vector<std::string> texts = textsOf(prompter);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_NE(texts[0].find("\"bluetooth\""), std::string::npos);
  EXPECT_EQ(texts[1],
            "The library link cannot be used: cannot open /opt/a.so\nThe simulated phone is used "
            "instead.");
}

TEST(PhoneLinkTest, EnvironmentVariableReplacesTheStoredLibrary) {
  qputenv("KELVOR_QFL_LIBRARY", "/opt/env/libqfl.so");
  EXPECT_EQ(gui::userPhoneLinkSetup().libraryOverride, "/opt/env/libqfl.so");
  qunsetenv("KELVOR_QFL_LIBRARY");
  EXPECT_EQ(gui::userPhoneLinkSetup().libraryOverride, "");
}

// The program's own factory gives each choice its link; a library that cannot be loaded says
// why, so that the message on the fallback to the simulated phone names the problem.
TEST(PhoneLinkTest, TheSystemFactoryBuildsTheLinkOfEachChoice) {
  const gui::LinkLibraryFactory factory = gui::systemLibraryFactory();
  std::string error;
  const auto simulated = factory({LinkKind::Simulated, ""}, error);
  EXPECT_NE(dynamic_cast<SimulatedPhone*>(simulated.get()), nullptr);
  const auto serial = factory({LinkKind::Serial, ""}, error);
  ASSERT_NE(serial, nullptr);
  EXPECT_EQ(dynamic_cast<SimulatedPhone*>(serial.get()), nullptr);
  EXPECT_EQ(serial->versionText().rfind("Kelvor serial link", 0), 0u) << serial->versionText();
  EXPECT_EQ(factory({LinkKind::Library, "/nonexistent/libqfl.so"}, error), nullptr);
  EXPECT_NE(error.find("/nonexistent/libqfl.so"), std::string::npos) << error;
}

class SerialConfigurationTest : public ::testing::Test, public SessionFixture {
 protected:
  SerialConfigurationTest() {
    settings.groups[ComSettingsGroup].values = MemorySettingsBackend(storedComSettings());
  }

  // Opens the sheet from the menu, lets `edit` work on its Serial page and closes it.
  void configure(gui::CMainFrame& frame, const std::function<void(gui::CSetupSheet&)>& edit) {
    QTimer::singleShot(0, &frame, [&] {
      auto* sheet = qobject_cast<gui::CSetupSheet*>(QApplication::activeModalWidget());
      ASSERT_NE(sheet, nullptr);
      edit(*sheet);
    });
    frame.action("Properties...")->trigger();
  }

  QStringList paneTexts(gui::CMainFrame& frame) {
    QStringList list;
    for (const QLabel* label : frame.statusBar()->findChildren<QLabel*>()) {
      list << label->text();
    }
    return list;
  }

  SettingsGroups settings;
  QTemporaryDir dir;
  QSettings profileSettings{dir.path() + "/profile.conf", QSettings::IniFormat};
  gui::ApplicationProfile profile{profileSettings};
  ScriptedFileDialogs dialogs;
  gui::CKelvorDoc document{session, prompter, dialogs};
};

TEST_F(SerialConfigurationTest, OkWritesTheSerialValuesInTheSheetsOrderAndUpdatesThePanes) {
  gui::CMainFrame frame(document, profile, settings.setup());
  EXPECT_TRUE(paneTexts(frame).contains("COM3"));
  configure(frame, [](gui::CSetupSheet& sheet) {
    gui::SerialPage* page = sheet.serialPage();
    page->refreshRateEdit()->setText("2500");
    page->switchUpBaudList()->setEditText("460800");
    page->switchUpFrameSizeList()->setCurrentIndex(2);
    page->defaultFrameSizeList()->setCurrentIndex(1);
    page->defaultBaudList()->setEditText("57600");
    sheet.accept();
  });
  EXPECT_EQ(settings.writtenNames(ComSettingsGroup),
            (std::vector<std::string>{comsetting::SwitchUpBaudRate, comsetting::Port,
                                      comsetting::SwitchUpFrameSize, comsetting::DefaultFrameSize,
                                      comsetting::DefaultBaudRate}));
  const SettingsValues expected = {{comsetting::Port, "2"},
                                   {comsetting::SwitchUpBaudRate, "460800"},
                                   {comsetting::SwitchUpFrameSize, "256"},
                                   {comsetting::DefaultFrameSize, "128"},
                                   {comsetting::DefaultBaudRate, "57600"}};
  EXPECT_EQ(settings.groups[ComSettingsGroup].values.values(), expected);
  EXPECT_EQ(session.settings.Get("RefreshRate"), "2500");
  const ComSettings& kept = frame.phoneLink().comSettings();
  EXPECT_EQ(kept.switchUpBaudRate(), 460800u);
  EXPECT_EQ(kept.defaultBaudRate(), 57600u);
  const QStringList panes = paneTexts(frame);
  EXPECT_TRUE(panes.contains("SwitchUp Baud: 460800")) << panes.join('|').toStdString();
  EXPECT_TRUE(panes.contains("SwitchUp Frame Size: 256")) << panes.join('|').toStdString();
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SerialConfigurationTest, CancelChangesNeitherTheSettingsNorTheLink) {
  session.settings.Set("RefreshRate", "3000");
  gui::CMainFrame frame(document, profile, settings.setup());
  configure(frame, [](gui::CSetupSheet& sheet) {
    gui::SerialPage* page = sheet.serialPage();
    page->refreshRateEdit()->setText("2500");
    page->switchUpFrameSizeList()->setCurrentIndex(2);
    page->defaultBaudList()->setEditText("57600");
    sheet.reject();
  });
  EXPECT_TRUE(settings.groups[ComSettingsGroup].writes.empty());
  EXPECT_EQ(frame.phoneLink().comSettings().switchUpFrameSize(), 64u);
  EXPECT_EQ(frame.phoneLink().comSettings().defaultBaudRate(), 115200u);
  EXPECT_EQ(session.settings.Get("RefreshRate"), "3000");
  EXPECT_TRUE(paneTexts(frame).contains("SwitchUp Frame Size: 64"));
}

}  // namespace
}  // namespace kelvor::test
