#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/LinkLibrary.h"
#include "link/MobileLink.h"
#include "link/SimulatedPhone.h"
#include "settings/ComSettings.h"

namespace kelvor::gui {

// The program's road to a phone: the link library in use, the link over it and the serial
// settings it is opened with. Until another library is configured the phone is the built-in
// simulated one, so that the commands can be tried without hardware.
class PhoneLink {
 public:
  PhoneLink();

  ComSettings& comSettings() { return comSettings_; }
  const ComSettings& comSettings() const { return comSettings_; }
  MobileLink& link() { return link_; }
  // The simulated phone when it is the one in use, else null.
  SimulatedPhone* simulatedPhone() { return simulated_; }
  std::string libraryVersion() const { return library_->versionText(); }

  // "Mobile On" / "Mobile Off": switches the phone with the serial settings and returns the
  // message to show.
  std::string switchMobile(bool on);

 private:
  std::unique_ptr<LinkLibrary> library_;
  SimulatedPhone* simulated_ = nullptr;
  MobileLink link_;
  ComSettings comSettings_;
};

}  // namespace kelvor::gui
