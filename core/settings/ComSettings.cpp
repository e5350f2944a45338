#include "settings/ComSettings.h"

#include <algorithm>
#include <limits>
#include <map>

#include "common/TextNumbers.h"
#include "settings/AnalysisSettings.h"

namespace kelvor {

namespace {

constexpr std::int64_t MaxDword = std::numeric_limits<std::uint32_t>::max();

std::optional<std::uint32_t> parseBaudRate(std::string_view text) {
  const auto value = parseBoundedInteger(text, 1, MaxDword);
  return value ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*value)) : std::nullopt;
}

std::optional<std::uint32_t> parseFrameSize(std::string_view text) {
  const auto value = parseBoundedInteger(text, 0, MaxDword);
  if (!value || std::find(FrameSizeChoices.begin(), FrameSizeChoices.end(), *value) ==
                    FrameSizeChoices.end()) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(*value);
}

// A port index: -1 (no port) up to the largest 32-bit index. The unsigned form of -1, as a
// 32-bit stored number shows it, is read as -1 too.
std::optional<std::int32_t> parsePortIndex(std::string_view text) {
  const auto value = parseBoundedInteger(text, NoPort, MaxDword);
  if (!value) {
    return std::nullopt;
  }
  if (*value == MaxDword) {
    return NoPort;
  }
  if (*value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(*value);
}

const char* itemName(ComSettingsItem item) {
  switch (item) {
    case ComSettingsItem::DefaultFrameSize:
      return comsetting::DefaultFrameSize;
    case ComSettingsItem::SwitchUpFrameSize:
      return comsetting::SwitchUpFrameSize;
    case ComSettingsItem::Port:
      return comsetting::Port;
    case ComSettingsItem::SwitchUpBaudRate:
      return comsetting::SwitchUpBaudRate;
    case ComSettingsItem::DefaultBaudRate:
      return comsetting::DefaultBaudRate;
  }
  return comsetting::Port;
}

void warn(Prompter& prompter, std::string_view text) {
  prompter.message(text, ApplicationTitle, PromptIcon::Warning);
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

std::string firstStartSummary(std::int32_t portIndex, std::uint32_t baudRate,
                              std::uint32_t frameSize) {
  return "No registry settings for serial communication found. \n Using default values : \n"
         "Com Port            :   COM" +
         std::to_string(static_cast<std::int64_t>(portIndex) + 1) +
         " \nBaud Rate          :   " + std::to_string(baudRate) +
         "  \nQFL Frame Size  :   " + std::to_string(frameSize) + " Bytes";
}

ComSettings::LoadResult ComSettings::Load(SettingsBackend& backend, Prompter& prompter,
                                          const LinkConfigReader& linkConfig) {
  const SettingsValues stored = backend.readAll();
  if (stored.empty()) {
    // First start: the port and the rate a connection begins with come from the link library's
    // own configuration, so that a machine set up for the phone before keeps working.
    const std::optional<LinkStoredConfig> link =
        linkConfig ? linkConfig() : std::optional<LinkStoredConfig>();
    portIndex_ = link && link->portIndex >= NoPort ? link->portIndex : NoPort;
    // A library without a rate (or none at all) leaves the default rate rather than 0 baud.
    defaultBaudRate_ = link && link->baudRate != 0 ? link->baudRate : DefaultLinkBaudRate;
    switchUpBaudRate_ = DefaultLinkBaudRate;
    switchUpFrameSize_ = DefaultLinkFrameSize;
    defaultFrameSize_ = DefaultLinkFrameSize;
    const bool written = backend.writeAll(
        itemValues({ComSettingsItem::DefaultFrameSize, ComSettingsItem::SwitchUpFrameSize,
                    ComSettingsItem::SwitchUpBaudRate, ComSettingsItem::DefaultBaudRate,
                    ComSettingsItem::Port}));
    if (!written) {
      warn(prompter, comsettingtext::CreateFailed);
    }
    if (!link) {
      warn(prompter, comsettingtext::LinkConfigUnreadable);
    }
    prompter.message(firstStartSummary(portIndex_, defaultBaudRate_, defaultFrameSize_),
                     ApplicationTitle, PromptIcon::Information);
    return LoadResult::Created;
  }

  std::map<std::string_view, std::string_view> values;
  for (const auto& entry : stored) {
    values.emplace(entry.first, entry.second);
  }
  // A missing value reads as an empty text, which no parser accepts.
  const auto text = [&](const char* name) {
    const auto it = values.find(name);
    return it == values.end() ? std::string_view() : it->second;
  };
  const auto take = [&](auto parsed, auto& field, auto fallback, const char* message) {
    if (parsed) {
      field = *parsed;
    } else {
      field = fallback;
      warn(prompter, message);
    }
  };
  take(parseBaudRate(text(comsetting::SwitchUpBaudRate)), switchUpBaudRate_, DefaultLinkBaudRate,
       comsettingtext::SwitchUpBaudRateUnreadable);
  take(parseFrameSize(text(comsetting::SwitchUpFrameSize)), switchUpFrameSize_,
       DefaultLinkFrameSize, comsettingtext::SwitchUpFrameSizeUnreadable);
  take(parseFrameSize(text(comsetting::DefaultFrameSize)), defaultFrameSize_, DefaultLinkFrameSize,
       comsettingtext::DefaultFrameSizeUnreadable);
  take(parseBaudRate(text(comsetting::DefaultBaudRate)), defaultBaudRate_, DefaultLinkBaudRate,
       comsettingtext::DefaultBaudRateUnreadable);
  take(parsePortIndex(text(comsetting::Port)), portIndex_, FallbackPortIndex,
       comsettingtext::PortUnreadable);
  return LoadResult::Read;
}

std::string ComSettings::itemValue(ComSettingsItem item) const {
  switch (item) {
    case ComSettingsItem::DefaultFrameSize:
      return std::to_string(defaultFrameSize_);
    case ComSettingsItem::SwitchUpFrameSize:
      return std::to_string(switchUpFrameSize_);
    case ComSettingsItem::Port:
      return std::to_string(portIndex_);
    case ComSettingsItem::SwitchUpBaudRate:
      return std::to_string(switchUpBaudRate_);
    case ComSettingsItem::DefaultBaudRate:
      return std::to_string(defaultBaudRate_);
  }
  return std::string();
}

SettingsValues ComSettings::itemValues(std::initializer_list<ComSettingsItem> items) const {
  SettingsValues values;
  for (const ComSettingsItem item : items) {
    values.emplace_back(itemName(item), itemValue(item));
  }
  return values;
}

bool ComSettings::Save(SettingsBackend& backend) const {
  return backend.writeAll(itemValues(
      {ComSettingsItem::SwitchUpBaudRate, ComSettingsItem::Port, ComSettingsItem::SwitchUpFrameSize,
       ComSettingsItem::DefaultFrameSize, ComSettingsItem::DefaultBaudRate}));
}

bool ComSettings::WriteItem(SettingsBackend& backend, ComSettingsItem item) const {
  return backend.writeAll(itemValues({item}));
}

std::size_t frameSizeListIndex(std::uint32_t size) {
  const auto it = std::find(FrameSizeChoices.begin(), FrameSizeChoices.end(), size);
  return it == FrameSizeChoices.end() ? 0 : static_cast<std::size_t>(it - FrameSizeChoices.begin());
}

std::uint32_t frameSizeFromListIndex(std::size_t index) {
  return index < FrameSizeChoices.size() ? FrameSizeChoices[index] : DefaultLinkFrameSize;
}

std::vector<std::string> baudRateListTexts(bool switchUp) {
  std::vector<std::string> texts;
  for (const std::uint32_t rate : BaudRateChoices) {
    texts.push_back(std::to_string(rate));
  }
  if (switchUp) {
    texts.emplace_back(UsbChoice);
  }
  return texts;
}

BaudRateChoice applyBaudRateText(ComSettings& settings, std::string_view text, bool switchUp) {
  if (equalIgnoringCase(text, UsbChoice)) {
    if (switchUp) {
      settings.setUsbMode(true);
    }
    return BaudRateChoice::Usb;
  }
  const std::optional<std::uint32_t> rate = parseBaudRate(text);
  if (!rate) {
    return BaudRateChoice::Rejected;
  }
  if (switchUp) {
    settings.setSwitchUpBaudRate(*rate);
    settings.setUsbMode(false);
  } else {
    settings.setDefaultBaudRate(*rate);
  }
  return BaudRateChoice::Rate;
}

const char* usbSetupMessage(int result) {
  switch (result) {
    case 1:
      return comsettingtext::UsbSetupDone;
    case 0:
      return comsettingtext::UsbSetupRefused;
    default:
      return comsettingtext::UsbSetupFailed;
  }
}

std::string portCannotBeOpenedText(std::int32_t portIndex) {
  return "Com Port  " + std::to_string(static_cast<std::int64_t>(portIndex) + 1) +
         " Cannot Be Opened !!!";
}

std::string checkedRefreshRateText(std::string_view text, Prompter& prompter) {
  if (parseBoundedInteger(text, MinRefreshRateMs, MaxRefreshRateMs)) {
    return std::string(text);
  }
  warn(prompter, comsettingtext::InvalidRefreshRate);
  return std::to_string(DefaultRefreshRateMs);
}

std::optional<std::int32_t> comPortIndex(std::string_view name) {
  if (name.size() < 4 || !equalIgnoringCase(name.substr(0, 3), "COM")) {
    return std::nullopt;
  }
  const std::string_view digits = name.substr(3);
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  const auto number = parseBoundedInteger(digits, 0, std::numeric_limits<std::int32_t>::max());
  if (!number) {
    return std::nullopt;
  }
  return *number == 0 ? 0 : static_cast<std::int32_t>(*number - 1);
}

std::vector<SerialPort> availablePortTable(const std::optional<std::vector<std::string>>& names,
                                           Prompter& prompter) {
  if (!names) {
    warn(prompter, comsettingtext::PortListUnreadable);
    return {};
  }
  return portTableOf(*names);
}

std::vector<SerialPort> portTableOf(const std::vector<std::string>& names) {
  std::vector<SerialPort> table;
  std::vector<std::string> paths;
  std::int64_t nextIndex = 0;
  for (const std::string& name : names) {
    if (const auto index = comPortIndex(name)) {
      table.push_back({*index, "COM" + std::to_string(static_cast<std::int64_t>(*index) + 1)});
      nextIndex = std::max<std::int64_t>(nextIndex, static_cast<std::int64_t>(*index) + 1);
    } else if (!name.empty()) {
      paths.push_back(name);
    }
  }
  std::sort(paths.begin(), paths.end());
  paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
  for (const std::string& path : paths) {
    if (nextIndex > std::numeric_limits<std::int32_t>::max()) {
      break;
    }
    table.push_back({static_cast<std::int32_t>(nextIndex++), path});
  }
  std::stable_sort(table.begin(), table.end(),
                   [](const SerialPort& a, const SerialPort& b) { return a.index < b.index; });
  table.erase(
      std::unique(table.begin(), table.end(),
                  [](const SerialPort& a, const SerialPort& b) { return a.index == b.index; }),
      table.end());
  if (table.size() > MaxListedPorts) {
    table.resize(MaxListedPorts);
  }
  return table;
}

std::string portName(const std::vector<SerialPort>& table, std::int32_t index) {
  if (index == NoPort) {
    return std::string();
  }
  for (const SerialPort& port : table) {
    if (port.index == index) {
      return port.name;
    }
  }
  return "COM" + std::to_string(static_cast<std::int64_t>(index) + 1);
}

}  // namespace kelvor
