#include "app/PhoneLink.h"

#include "LinkLibraries.h"
#include "QSettingsBackend.h"
#include "link/LinkSetup.h"

namespace kelvor::gui {

namespace {

// Ten minutes of a small firmware at a thousand records a second.
std::unique_ptr<SimulatedPhone> builtInPhone() {
  GeneratedScenario scenario;
  scenario.recordsPerSecond = 1000.0;
  scenario.recordCount = 600000;
  return std::make_unique<SimulatedPhone>(PhoneScenario::generate(scenario));
}

void warn(Prompter& prompter, const std::string& text) {
  prompter.message(text, ApplicationTitle, PromptIcon::Warning);
}

LinkChoiceSetting readChoice(const PhoneLinkSetup& setup, Prompter& prompter) {
  if (!setup.openGroup) {
    return {};
  }
  std::vector<std::string> problems;
  const LinkChoiceSetting choice = parseLinkChoice(setup.openGroup(LinkChoiceGroup)->readAll(),
                                                   setup.libraryOverride.c_str(), problems);
  for (const std::string& problem : problems) {
    warn(prompter, problem);
  }
  return choice;
}

std::unique_ptr<SettingsBackend> comGroup(const PhoneLinkSetup& setup) {
  if (!setup.openGroup) {
    return std::make_unique<MemorySettingsBackend>();
  }
  return setup.openGroup(ComSettingsGroup);
}

// The library of the choice; the simulated phone, after a message, when it cannot be had.
std::unique_ptr<LinkLibrary> buildLibrary(const PhoneLinkSetup& setup,
                                          const LinkChoiceSetting& choice, Prompter& prompter) {
  const LinkLibraryFactory factory =
      setup.makeLibrary ? setup.makeLibrary : builtInLibraryFactory();
  std::string error;
  std::unique_ptr<LinkLibrary> library = factory(choice, error);
  if (library) {
    return library;
  }
  warn(prompter, std::string("The ") + linkKindText(choice.kind) + " link cannot be used" +
                     (error.empty() ? std::string(".") : ": " + error) +
                     "\nThe simulated phone is used instead.");
  return builtInPhone();
}

}  // namespace

LinkLibraryFactory builtInLibraryFactory() {
  return [](const LinkChoiceSetting&, std::string&) -> std::unique_ptr<LinkLibrary> {
    return builtInPhone();
  };
}

namespace {

// The device of a port index as the Serial page lists it, looked up when the port is opened so
// that a USB adapter plugged in since the start is found.
std::string systemPortDevice(std::uint32_t port) {
  return portName(portTableOf(systemSerialPortNames()), static_cast<std::int32_t>(port));
}

}  // namespace

LinkLibraryFactory systemLibraryFactory() {
  return [](const LinkChoiceSetting& choice, std::string& error) -> std::unique_ptr<LinkLibrary> {
    switch (choice.kind) {
      case LinkKind::Library:
        return loadLinkLibrary(choice.libraryPath, error);
      case LinkKind::Serial:
        return makeSerialLink(systemPortDevice, "the serial port of the serial settings");
      case LinkKind::Simulated:
        break;
    }
    return builtInPhone();
  };
}

PhoneLinkSetup userPhoneLinkSetup() {
  PhoneLinkSetup setup;
  setup.openGroup = [](const char* group) -> std::unique_ptr<SettingsBackend> {
    return std::make_unique<QSettingsBackend>(QString::fromUtf8(group));
  };
  setup.libraryOverride = qEnvironmentVariable(linksetting::LibraryEnvironment).toStdString();
  setup.makeLibrary = systemLibraryFactory();
  return setup;
}

PhoneLink::PhoneLink(const PhoneLinkSetup& setup, Prompter& prompter)
    : prompter_(prompter),
      choice_(readChoice(setup, prompter)),
      comBackend_(comGroup(setup)),
      library_(buildLibrary(setup, choice_, prompter)),
      simulated_(dynamic_cast<SimulatedPhone*>(library_.get())),
      link_(*library_) {
  if (setup.openGroup) {
    comSettings_.Load(*comBackend_, prompter_, [this] { return readStoredLinkConfig(*library_); });
  } else {
    comSettings_.setPortIndex(FallbackPortIndex);
  }
}

namespace {

// The port the link opens for a port index; no port opens COM1.
std::uint32_t linkPort(std::int32_t index) {
  return static_cast<std::uint32_t>(index < 0 ? 0 : index);
}

}  // namespace

std::string PhoneLink::switchMobile(bool on) {
  const std::uint32_t port = linkPort(comSettings_.portIndex());
  const LinkResult result = link_.switchMobile(port, comSettings_.defaultBaudRate(), on);
  return mobileSwitchMessage(result, on, port);
}

int PhoneLink::setUpUsbConnection(std::int32_t portIndex) {
  return SetUpUsbConnection(*library_, linkPort(portIndex), prompter_);
}

SerialPageInput PhoneLink::serialPageInput() {
  SerialPageInput input;
  input.settings = comSettings_;
  input.portNames = systemSerialPortNames();
  input.setUpUsb = [this](std::int32_t portIndex) { return setUpUsbConnection(portIndex); };
  return input;
}

void PhoneLink::storeComSettings(const ComSettings& settings) {
  comSettings_ = settings;
  for (const ComSettingsItem item :
       {ComSettingsItem::SwitchUpBaudRate, ComSettingsItem::Port,
        ComSettingsItem::SwitchUpFrameSize, ComSettingsItem::DefaultFrameSize,
        ComSettingsItem::DefaultBaudRate}) {
    comSettings_.WriteItem(*comBackend_, item);
  }
}

}  // namespace kelvor::gui
