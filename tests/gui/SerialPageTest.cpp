#include <gtest/gtest.h>

#include <QValidator>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "app/CSetupSheet.h"
#include "app/SerialPage.h"
#include "link/LinkSetup.h"
#include "link/SimulatedPhone.h"

namespace kelvor::test {
namespace {

using gui::SerialPage;
using gui::SerialPageInput;

QStringList itemsOf(const QComboBox* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) {
    items << list->itemText(i);
  }
  return items;
}

// Picks a list entry as a click in the opened list does.
void pick(QComboBox* list, const QString& text) {
  const int entry = list->findText(text);
  ASSERT_GE(entry, 0) << text.toStdString();
  list->setCurrentIndex(entry);
  emit list->activated(entry);
}

// Types a text into an editable list and leaves it.
void type(QComboBox* list, const QString& text) {
  list->lineEdit()->setText(text);
  emit list->lineEdit()->editingFinished();
}

ComSettings storedSettings() {
  ComSettings settings;
  settings.setPortIndex(11);
  settings.setDefaultBaudRate(57600);
  settings.setDefaultFrameSize(128);
  settings.setSwitchUpBaudRate(921600);
  settings.setSwitchUpFrameSize(256);
  return settings;
}

struct PageFixture {
  MemorySettingsBackend backend;
  SettingsStore store{backend};
  RecordingPrompter prompter;
  ScriptedFileDialogs dialogs;
};

TEST(SerialPageTest, IsTheThirdPageAndShowsTheSettings) {
  PageFixture f;
  f.store.Set("RefreshRate", "2500");
  SerialPageInput input;
  input.settings = storedSettings();
  input.portNames = std::vector<std::string>{"/dev/ttyUSB0", "COM12", "COM3"};
  gui::CSetupSheet sheet(f.store, f.prompter, f.dialogs, input);
  ASSERT_EQ(sheet.pages()->count(), 3);
  EXPECT_EQ(sheet.pages()->tabText(2), "Serial");
  SerialPage* page = sheet.serialPage();
  EXPECT_EQ(sheet.pages()->widget(2), page);
  EXPECT_EQ(page->refreshRateEdit()->text(), "2500");
  EXPECT_EQ(itemsOf(page->portList()), (QStringList{"COM3", "COM12", "/dev/ttyUSB0"}));
  EXPECT_EQ(page->portList()->currentText(), "COM12");
  EXPECT_EQ(page->defaultBaudList()->currentText(), "57600");
  EXPECT_EQ(page->switchUpBaudList()->currentText(), "921600");
  EXPECT_EQ(itemsOf(page->defaultFrameSizeList()), (QStringList{"64", "128", "256"}));
  EXPECT_EQ(page->defaultFrameSizeList()->currentText(), "128");
  EXPECT_EQ(page->switchUpFrameSizeList()->currentText(), "256");
  EXPECT_FALSE(itemsOf(page->defaultBaudList()).contains("USB"));
  EXPECT_EQ(itemsOf(page->switchUpBaudList()).back(), "USB");
  EXPECT_TRUE(page->defaultBaudList()->isEditable());
  EXPECT_TRUE(page->switchUpBaudList()->isEditable());
  EXPECT_FALSE(page->portList()->isEditable());
  EXPECT_TRUE(f.prompter.shown.empty());

  // The shown values are the stored ones untouched.
  const ComSettings shown = sheet.serialSettings();
  EXPECT_EQ(shown.portIndex(), 11);
  EXPECT_EQ(shown.defaultBaudRate(), 57600u);
  EXPECT_EQ(shown.switchUpBaudRate(), 921600u);
  EXPECT_FALSE(shown.usbMode());
}

TEST(SerialPageTest, PortOfTheSettingsIsChosenEvenWhenNotPluggedIn) {
  const struct {
    std::int32_t index;
    bool usbMode;
    QStringList ports;
    QString chosen;
    QString switchUpText;
  } cases[] = {{4, false, {"COM3", "COM5", "COM12", "/dev/ttyUSB0"}, "COM5", "921600"},
               {NoPort, true, {"COM3", "COM12", "/dev/ttyUSB0"}, "", "USB"},
               {13, false, {"COM3", "COM12", "/dev/ttyUSB0", "COM14"}, "COM14", "921600"}};
  for (const auto& c : cases) {
    RecordingPrompter prompter;
    SerialPageInput input;
    input.settings = storedSettings();
    input.settings.setPortIndex(c.index);
    input.settings.setUsbMode(c.usbMode);
    input.portNames = std::vector<std::string>{"COM12", "COM3", "/dev/ttyUSB0"};
    SerialPage page(input, "1000", prompter);
    EXPECT_EQ(itemsOf(page.portList()), c.ports) << c.index;
    EXPECT_EQ(page.portList()->currentText(), c.chosen) << c.index;
    EXPECT_EQ(page.switchUpBaudList()->currentText(), c.switchUpText) << c.index;
    EXPECT_EQ(page.settings().portIndex(), c.index) << c.index;
  }
}

TEST(SerialPageTest, RefreshRateOutsideItsRangeIsReplacedWhenTheFieldIsLeft) {
  const std::pair<const char*, const char*> cases[] = {
      {"499", "1000"}, {"10001", "1000"}, {"500", "500"}, {"10000", "10000"}, {"", "1000"}};
  for (const auto& [typed, kept] : cases) {
    RecordingPrompter prompter;
    SerialPage page(SerialPageInput{}, "1000", prompter);
    page.refreshRateEdit()->setText(typed);
    emit page.refreshRateEdit()->editingFinished();
    EXPECT_EQ(page.refreshRateEdit()->text(), kept) << typed;
    const bool replaced = std::string(typed) != kept;
    ASSERT_EQ(prompter.shown.size(), replaced ? 1u : 0u) << typed;
    if (replaced) {
      EXPECT_EQ(prompter.shown[0].text, comsettingtext::InvalidRefreshRate);
      EXPECT_EQ(prompter.shown[0].caption, ApplicationTitle);
    }
  }
  RecordingPrompter prompter;
  SerialPage page(SerialPageInput{}, "1000", prompter);
  QString text = "12a";
  int at = 3;
  EXPECT_EQ(page.refreshRateEdit()->validator()->validate(text, at), QValidator::Invalid);
}

TEST(SerialPageTest, ChangedListsApplyAtOnceAndRejectedRatesGiveWay) {
  RecordingPrompter prompter;
  SerialPageInput input;
  input.settings = storedSettings();
  input.portNames = std::vector<std::string>{"COM3", "COM12"};
  SerialPage page(input, "1000", prompter);
  page.portList()->setCurrentIndex(page.portList()->findText("COM3"));
  page.defaultFrameSizeList()->setCurrentIndex(2);
  page.switchUpFrameSizeList()->setCurrentIndex(0);
  pick(page.defaultBaudList(), "9600");
  type(page.switchUpBaudList(), "250000");  // a rate not in the list counts as well
  ComSettings settings = page.settings();
  EXPECT_EQ(settings.portIndex(), 2);
  EXPECT_EQ(settings.defaultFrameSize(), 256u);
  EXPECT_EQ(settings.switchUpFrameSize(), 64u);
  EXPECT_EQ(settings.defaultBaudRate(), 9600u);
  EXPECT_EQ(settings.switchUpBaudRate(), 250000u);

  // Nothing that is a rate changes the rate, and the list shows the rate in force again.
  type(page.defaultBaudList(), "");
  type(page.defaultBaudList(), "usb");
  EXPECT_EQ(page.defaultBaudList()->currentText(), "9600");
  EXPECT_EQ(page.settings().defaultBaudRate(), 9600u);
  // A rate typed but not left yet counts as well.
  page.defaultBaudList()->lineEdit()->setText("19200");
  EXPECT_EQ(page.settings().defaultBaudRate(), 19200u);
  EXPECT_TRUE(prompter.shown.empty());
}

TEST(SerialPageTest, UsbChoiceSetsTheConnectionUpOnThePortShownAndSaysHowItWent) {
  const struct {
    const char* what;
    bool openComFails;
    bool usbSwitchFails;
    std::vector<std::string> texts;
    std::vector<std::string> captions;
  } cases[] = {
      {"done", false, false, {comsettingtext::UsbSetupDone}, {"USB Connection Status"}},
      {"refused", false, true, {comsettingtext::UsbSetupRefused}, {"USB Connection Status"}},
      {"port cannot be opened",
       true,
       false,
       {"Com Port  3 Cannot Be Opened !!!", comsettingtext::UsbSetupFailed},
       {"Serial Connection Status", "USB Connection Status"}},
  };
  for (const auto& c : cases) {
    SimulatedPhone phone;
    phone.faults().openComFails = c.openComFails;
    phone.faults().usbSwitchFails = c.usbSwitchFails;
    RecordingPrompter prompter;
    SerialPageInput input;
    input.settings = storedSettings();
    input.portNames = std::vector<std::string>{"COM3", "COM12"};
    input.setUpUsb = [&](std::int32_t port) {
      return SetUpUsbConnection(phone, static_cast<std::uint32_t>(port), prompter);
    };
    SerialPage page(input, "1000", prompter);
    page.portList()->setCurrentIndex(page.portList()->findText("COM3"));
    pick(page.switchUpBaudList(), "USB");
    std::vector<std::string> texts;
    std::vector<std::string> captions;
    for (const auto& shown : prompter.shown) {
      texts.push_back(shown.text);
      captions.push_back(shown.caption);
    }
    EXPECT_EQ(texts, c.texts) << c.what;
    EXPECT_EQ(captions, c.captions) << c.what;
    EXPECT_EQ(page.switchUpBaudList()->currentText(), "USB") << c.what;
    EXPECT_TRUE(page.settings().usbMode()) << c.what;
    EXPECT_EQ(page.settings().switchUpBaudRate(), 921600u) << c.what;
    if (!c.openComFails) {
      EXPECT_EQ(phone.openPort(), 2u) << c.what;
    }
    // Leaving the list afterwards does not set the connection up again.
    const std::size_t calls = phone.calls().size();
    emit page.switchUpBaudList()->lineEdit()->editingFinished();
    EXPECT_EQ(phone.calls().size(), calls) << c.what;
    EXPECT_EQ(prompter.shown.size(), c.texts.size()) << c.what;
    // A rate chosen afterwards ends the USB mode.
    pick(page.switchUpBaudList(), "460800");
    EXPECT_FALSE(page.settings().usbMode()) << c.what;
    EXPECT_EQ(page.settings().switchUpBaudRate(), 460800u) << c.what;
  }
}

TEST(SerialPageTest, UsbChoiceWithoutALinkCountsAsFailed) {
  RecordingPrompter prompter;
  SerialPage page(SerialPageInput{}, "1000", prompter);
  type(page.switchUpBaudList(), "usb");
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, comsettingtext::UsbSetupFailed);
  EXPECT_EQ(page.switchUpBaudList()->currentText(), "USB");
}

}  // namespace
}  // namespace kelvor::test
