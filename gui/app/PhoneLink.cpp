#include "app/PhoneLink.h"

namespace kelvor::gui {

namespace {

// Ten minutes of a small firmware at a thousand records a second.
std::unique_ptr<SimulatedPhone> builtInPhone() {
  GeneratedScenario scenario;
  scenario.recordsPerSecond = 1000.0;
  scenario.recordCount = 600000;
  return std::make_unique<SimulatedPhone>(PhoneScenario::generate(scenario));
}

}  // namespace

PhoneLink::PhoneLink() : library_(builtInPhone()), link_(*library_) {
  simulated_ = static_cast<SimulatedPhone*>(library_.get());
  comSettings_.setPortIndex(FallbackPortIndex);
}

std::string PhoneLink::switchMobile(bool on) {
  const std::int32_t index = comSettings_.portIndex();
  const auto port = static_cast<std::uint32_t>(index < 0 ? 0 : index);
  const LinkResult result = link_.switchMobile(port, comSettings_.defaultBaudRate(), on);
  return mobileSwitchMessage(result, on, port);
}

}  // namespace kelvor::gui
