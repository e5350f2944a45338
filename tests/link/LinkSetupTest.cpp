#include "link/LinkSetup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "RecordingPrompter.h"
#include "link/MobileLink.h"
#include "link/SimulatedPhone.h"

namespace kelvor {
namespace {

using test::RecordingPrompter;
using Calls = std::vector<std::string>;

Calls callsSince(const SimulatedPhone& phone, std::size_t first) {
  return Calls(phone.calls().begin() + static_cast<std::ptrdiff_t>(first), phone.calls().end());
}

TEST(LinkSetupTest, StoredConfigurationIsReadThroughAThreadThatIsReleasedAgain) {
  SimulatedPhone phone;
  phone.writeConfData(4, 57600, 9, 1);
  const std::size_t before = phone.calls().size();
  const std::optional<LinkStoredConfig> config = readStoredLinkConfig(phone);
  ASSERT_TRUE(config);
  EXPECT_EQ(config->portIndex, 4);
  EXPECT_EQ(config->baudRate, 57600u);
  EXPECT_EQ(config->extra, 9u);
  EXPECT_EQ(callsSince(phone, before),
            (Calls{"init", "initThread", "readConfData", "closeCom", "deInitThread"}));

  phone.writeConfData(0xFFFFFFFFu, 9600, 0, 1);
  EXPECT_EQ(readStoredLinkConfig(phone)->portIndex, NoPort);

  phone.faults().initFails = true;
  EXPECT_FALSE(readStoredLinkConfig(phone));
}

TEST(LinkSetupTest, UsbSetUpOutcomesMessagesAndCleanUp) {
  struct Case {
    const char* what;
    std::uint32_t pcBaud;  // the PC's rate before the set-up
    std::function<void(PhoneFaults&)> faults;
    int result;
    Calls calls;
    std::vector<std::string> errors;  // shown with SerialStatusCaption and the error icon
    std::uint32_t pcBaudAfter;
  };
  const auto none = [](PhoneFaults&) {};
  const Case cases[] = {
      {"switched at the base rate",
       115200,
       none,
       usbsetup::Done,
       {"init", "initThread", "openCom", "getCurrentBaudrate", "switchFromXtspToQflMode",
        "closeCom", "deInitThread"},
       {},
       115200},
      {"another rate is set to the base rate first",
       57600,
       none,
       usbsetup::Done,
       {"init", "initThread", "openCom", "getCurrentBaudrate", "setNewPcBaudrate",
        "switchFromXtspToQflMode", "closeCom", "deInitThread"},
       {},
       115200},
      {"phone refuses the switch",
       115200,
       [](PhoneFaults& f) { f.usbSwitchFails = true; },
       usbsetup::Refused,
       {"init", "initThread", "openCom", "getCurrentBaudrate", "switchFromXtspToQflMode",
        "closeCom", "deInitThread"},
       {},
       115200},
      {"port cannot be opened",
       115200,
       [](PhoneFaults& f) { f.openComFails = true; },
       usbsetup::Failed,
       {"init", "initThread", "openCom", "deInitThread"},
       {"Com Port  3 Cannot Be Opened !!!"},
       115200},
      {"library cannot be initialised",
       115200,
       [](PhoneFaults& f) { f.initFails = true; },
       usbsetup::Failed,
       {"init"},
       {"Com Port  3 Cannot Be Opened !!!"},
       115200},
      {"rate cannot be set",
       57600,
       [](PhoneFaults& f) { f.pcBaudFails = true; },
       usbsetup::Failed,
       {"init", "initThread", "openCom", "getCurrentBaudrate", "setNewPcBaudrate", "closeCom",
        "deInitThread"},
       {},
       57600},
      {"rate cannot be set and the port not closed",
       57600,
       [](PhoneFaults& f) {
         f.pcBaudFails = true;
         f.closeComFails = true;
       },
       usbsetup::Failed,
       {"init", "initThread", "openCom", "getCurrentBaudrate", "setNewPcBaudrate", "closeCom"},
       {comsettingtext::PortCannotBeClosed},
       57600},
      {"a port that cannot be closed after the switch still counts as switched",
       115200,
       [](PhoneFaults& f) { f.closeComFails = true; },
       usbsetup::Done,
       {"init", "initThread", "openCom", "getCurrentBaudrate", "switchFromXtspToQflMode",
        "closeCom", "deInitThread"},
       {},
       115200},
  };
  for (const Case& c : cases) {
    SimulatedPhone phone;
    MobileLink link(phone, [](std::chrono::milliseconds) {});
    // Leaves the PC's side at the rate of the case.
    ASSERT_EQ(link.switchMobile(0, c.pcBaud, true), LinkResult::Success) << c.what;
    c.faults(phone.faults());
    const std::size_t before = phone.calls().size();
    RecordingPrompter prompter;
    EXPECT_EQ(SetUpUsbConnection(phone, 2, prompter), c.result) << c.what;
    EXPECT_EQ(callsSince(phone, before), c.calls) << c.what;
    std::vector<std::string> errors;
    for (const auto& shown : prompter.shown) {
      EXPECT_EQ(shown.caption, comsettingtext::SerialStatusCaption) << c.what;
      EXPECT_EQ(shown.icon, PromptIcon::Error) << c.what;
      errors.push_back(shown.text);
    }
    EXPECT_EQ(errors, c.errors) << c.what;
    EXPECT_EQ(phone.pcBaud(), c.pcBaudAfter) << c.what;
    // Only a port that refused to close stays open.
    const bool closeRefused = std::find(c.errors.begin(), c.errors.end(),
                                        comsettingtext::PortCannotBeClosed) != c.errors.end();
    EXPECT_EQ(phone.portOpen(), closeRefused) << c.what;
  }
}

}  // namespace
}  // namespace kelvor
