#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/LinkLibrary.h"

namespace kelvor {

// The device of a 0-based port index ("/dev/ttyUSB0", "COM3").
using PortDevice = std::function<std::string(std::uint32_t port)>;

// Our own serial link over QSerialPort: each OpenCom opens the device of its port.
std::unique_ptr<LinkLibrary> makeSerialLink(PortDevice deviceOf, std::string description);
// The phone maker's link library from its absolute path; null with `error` set when it cannot
// be loaded or lacks a function.
std::unique_ptr<LinkLibrary> loadLinkLibrary(const std::string& path, std::string& error);

}  // namespace kelvor
