#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/SerialPage.h"
#include "common/Prompter.h"
#include "link/LinkLibrary.h"
#include "link/MobileLink.h"
#include "link/SimulatedPhone.h"
#include "settings/ComSettings.h"
#include "settings/LinkChoiceSetting.h"
#include "settings/SettingsBackend.h"

namespace kelvor::gui {

// Builds the link library of a choice; null with `error` set when it cannot be had.
using LinkLibraryFactory = std::function<std::unique_ptr<LinkLibrary>(
    const LinkChoiceSetting& choice, std::string& error)>;
// Opens one group of the user's settings.
using SettingsGroupOpener = std::function<std::unique_ptr<SettingsBackend>(const char* group)>;

// Where the phone link takes its settings and its library from.
struct PhoneLinkSetup {
  // Without it nothing is read or written: the serial settings are the defaults in memory (port
  // COM1) and the link is the simulated phone.
  SettingsGroupOpener openGroup;
  // The value of KELVOR_QFL_LIBRARY; empty when it is not set.
  std::string libraryOverride;
  // Null: builtInLibraryFactory; the user's setup has systemLibraryFactory.
  LinkLibraryFactory makeLibrary;
};

// The simulated phone for every choice.
LinkLibraryFactory builtInLibraryFactory();
// The link of the choice: the maker's library loaded from its path, our serial link on the port
// of the serial settings, or the simulated phone.
LinkLibraryFactory systemLibraryFactory();
// The user's settings (organisation "Norvik", application "Kelvor TLA") and the environment.
PhoneLinkSetup userPhoneLinkSetup();

// The program's road to a phone: the link library in use, the link over it and the serial
// settings it is opened with. Made once with the main frame: the link choice (group "Link") and
// the serial settings (group "ComSettings", with the first start that takes the port from the
// library's own configuration) are read then; their messages go to the prompter given.
class PhoneLink {
 public:
  PhoneLink(const PhoneLinkSetup& setup, Prompter& prompter);

  const LinkChoiceSetting& linkChoice() const { return choice_; }
  // The kind of link in use: the one chosen, or the simulated phone when the chosen library or
  // port could not be had.
  LinkKind linkInUse() const { return simulated_ != nullptr ? LinkKind::Simulated : choice_.kind; }
  ComSettings& comSettings() { return comSettings_; }
  const ComSettings& comSettings() const { return comSettings_; }
  MobileLink& link() { return link_; }
  // The simulated phone when it is the one in use, else null.
  SimulatedPhone* simulatedPhone() { return simulated_; }
  std::string libraryVersion() const { return library_->versionText(); }

  // "Mobile On" / "Mobile Off": switches the phone with the serial settings and returns the
  // message to show.
  std::string switchMobile(bool on);
  // SetUpUsbConnection through the library in use, on the port with the given index.
  int setUpUsbConnection(std::int32_t portIndex);
  // What the Serial page starts from: a copy of the serial settings, the machine's ports and
  // the USB set-up through this link.
  SerialPageInput serialPageInput();
  // Takes the serial settings confirmed on the Serial page and writes them item by item, in the
  // order switch-up rate, port, switch-up frame size, default frame size, default rate.
  void storeComSettings(const ComSettings& settings);

 private:
  Prompter& prompter_;
  LinkChoiceSetting choice_;
  std::unique_ptr<SettingsBackend> comBackend_;
  std::unique_ptr<LinkLibrary> library_;
  SimulatedPhone* simulated_ = nullptr;
  MobileLink link_;
  ComSettings comSettings_;
};

}  // namespace kelvor::gui
