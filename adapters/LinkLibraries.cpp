#include "LinkLibraries.h"

#include "LibraryLink.h"
#include "SerialPortLine.h"
#include "link/FramedLink.h"

namespace kelvor {

std::unique_ptr<LinkLibrary> makeSerialLink(PortDevice deviceOf, std::string description) {
  LineOpener opener = [deviceOf = std::move(deviceOf)](
                          std::uint32_t port, std::string& error) -> std::unique_ptr<ByteLine> {
    const std::string device = deviceOf(port);
    if (device.empty()) {
      error = "no serial port has the number " + std::to_string(port + 1);
      return nullptr;
    }
    return std::make_unique<SerialPortLine>(device);
  };
  return std::make_unique<FramedLink>(std::move(opener), std::move(description));
}

std::unique_ptr<LinkLibrary> loadLinkLibrary(const std::string& path, std::string& error) {
  return LibraryLink::load(path, error);
}

}  // namespace kelvor
