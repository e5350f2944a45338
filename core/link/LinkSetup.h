#pragma once

#include <cstdint>
#include <optional>

#include "common/Prompter.h"
#include "link/LinkLibrary.h"
#include "settings/ComSettings.h"

namespace kelvor {

// Reads the port configuration the link library keeps of its own, for the first start of the
// serial settings: init(0), a link thread, readConfData, then the port closed and the thread
// released again. Nothing when the library cannot be initialised or the configuration not read.
// A stored port of 0xFFFFFFFF (the unsigned form of -1) is NoPort.
std::optional<LinkStoredConfig> readStoredLinkConfig(LinkLibrary& library);

// The results of SetUpUsbConnection, as usbSetupMessage takes them.
namespace usbsetup {
inline constexpr int Done = 1;
inline constexpr int Refused = 0;
inline constexpr int Failed = -1;
}  // namespace usbsetup

// Switches the phone's USB link to the link protocol, on the COM port with the 0-based index
// `port`: the port is opened, the PC's side is brought to 115200 baud when it runs at another
// rate, and the phone is asked to switch. Returns Done when it switched, Refused when it did not
// and Failed when the library could not be initialised or the port not opened (both shown as
// portCannotBeOpenedText) or the rate not set (a port that then cannot be closed is shown too).
// Both messages carry the caption SerialStatusCaption and the error icon. The port is closed and
// the thread released on every path that got them.
int SetUpUsbConnection(LinkLibrary& library, std::uint32_t port, Prompter& prompter);

}  // namespace kelvor
