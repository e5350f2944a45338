#include "link/LinkSetup.h"

#include <limits>

namespace kelvor {

namespace {

void showError(Prompter& prompter, std::string_view text) {
  prompter.message(text, comsettingtext::SerialStatusCaption, PromptIcon::Error);
}

}  // namespace

std::optional<LinkStoredConfig> readStoredLinkConfig(LinkLibrary& library) {
  if (library.init(0) != LinkSuccess) {
    return std::nullopt;
  }
  const LinkHandle handle = library.initThread();
  std::uint32_t port = 0;
  std::uint32_t baud = 0;
  std::uint32_t third = 0;
  const bool read = library.readConfData(port, baud, third) != LinkFailure;
  library.closeCom(handle);
  library.deInitThread(handle);
  if (!read) {
    return std::nullopt;
  }
  LinkStoredConfig config;
  // Ports beyond the signed range are the unsigned forms of negative indices; Load keeps any
  // index below NoPort as NoPort.
  config.portIndex = port > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())
                         ? NoPort
                         : static_cast<std::int32_t>(port);
  config.baudRate = baud;
  config.extra = third;
  return config;
}

int SetUpUsbConnection(LinkLibrary& library, std::uint32_t port, Prompter& prompter) {
  // A library that cannot be initialised cannot open the port either: the user sees the same
  // message for both.
  if (library.init(0) != LinkSuccess) {
    showError(prompter, portCannotBeOpenedText(static_cast<std::int32_t>(port)));
    return usbsetup::Failed;
  }
  const LinkHandle handle = library.initThread();
  std::uint32_t opened = port;
  if (library.openCom(handle, opened) != LinkSuccess) {
    if (handle != 0) {
      library.deInitThread(handle);
    }
    showError(prompter, portCannotBeOpenedText(static_cast<std::int32_t>(port)));
    return usbsetup::Failed;
  }
  // An unknown rate counts as another rate: the PC's side is set in any case then.
  std::uint32_t baud = 0;
  if (library.getCurrentBaudrate(handle, baud) != LinkSuccess) {
    baud = 0;
  }
  if (baud != BaseBaudRate && library.setNewPcBaudrate(handle, BaseBaudRate) != LinkSuccess) {
    if (library.closeCom(handle) != LinkSuccess) {
      // A port left open keeps its thread: the message asks the user to see to the port.
      showError(prompter, comsettingtext::PortCannotBeClosed);
    } else {
      library.deInitThread(handle);
    }
    return usbsetup::Failed;
  }
  const bool switched = library.switchFromXtspToQflMode(handle) != LinkFailure;
  library.closeCom(handle);
  library.deInitThread(handle);
  return switched ? usbsetup::Done : usbsetup::Refused;
}

}  // namespace kelvor
