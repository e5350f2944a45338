#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Prompter.h"
#include "settings/SettingsBackend.h"

namespace kelvor {

// The settings group that holds the serial link's parameters.
inline constexpr const char* ComSettingsGroup = "ComSettings";

// The names of its values. Each holds a decimal number.
namespace comsetting {
inline constexpr const char* Port = "ComPort";
inline constexpr const char* SwitchUpBaudRate = "switchup_baudrate";
inline constexpr const char* SwitchUpFrameSize = "switchup_FrameSize";
inline constexpr const char* DefaultFrameSize = "default_FrameSize";
inline constexpr const char* DefaultBaudRate = "default_baudrate";
}  // namespace comsetting

// A port index that names no port.
inline constexpr std::int32_t NoPort = -1;
// The port index taken when the stored one cannot be read: COM1, as the message on that path
// says.
inline constexpr std::int32_t FallbackPortIndex = 0;
inline constexpr std::uint32_t DefaultLinkBaudRate = 115200;
inline constexpr std::uint32_t DefaultLinkFrameSize = 64;

// The value numbers of WriteItem. Number 5 is the port kept in the link library's own
// configuration, which the link layer writes itself.
enum class ComSettingsItem : int {
  DefaultFrameSize = 1,
  SwitchUpFrameSize = 2,
  Port = 3,
  SwitchUpBaudRate = 4,
  DefaultBaudRate = 6,
};

// Messages of loading the settings, shown with the application's caption.
namespace comsettingtext {
inline constexpr const char* CreateFailed =
    "Unable to create registry entries for the Serial Kelvor.";
inline constexpr const char* LinkConfigUnreadable =
    "Unable to read COM Port and Baud Rate Settings from registry. Setting COM Port to default.";
inline constexpr const char* SwitchUpBaudRateUnreadable =
    "Unable to read QFL SwitchUp baud rate Settings from registry. Setting Baud Rate to 115200.";
inline constexpr const char* SwitchUpFrameSizeUnreadable =
    "Unable to read QFL Frame Size Settings from registry. Setting QFL Frame Size to default.";
inline constexpr const char* DefaultFrameSizeUnreadable =
    "Unable to read Begining-QFL-Frame-Size Settings from registry. Setting QFL Frame Size to "
    "default.";
inline constexpr const char* DefaultBaudRateUnreadable =
    "Unable to read QFL Default baud rate Settings from registry. Setting Baud Rate to 115200.";
inline constexpr const char* PortUnreadable =
    "Unable to read QFL Com port Settings from registry. Setting to Com1.";
inline constexpr const char* LinkConfigUnwritable =
    "Unable to write COM Port and Baud Rate Settings to registry.";
inline constexpr const char* PortListUnreadable = "Error reading windows registry ";
inline constexpr const char* InvalidRefreshRate =
    "Invalid refresh rate.\nValid Range:[500 ms -10000 ms]\nSetting to default.";
inline constexpr const char* UsbStatusCaption = "USB Connection Status";
inline constexpr const char* UsbSetupDone =
    "USB Connection Setup Done, Please Ping Once With Probekit !!!";
inline constexpr const char* UsbSetupRefused =
    "Check The Connection or USB Connection Setup Is Done !!!";
inline constexpr const char* UsbSetupFailed = "USB Connection Setup Failed !!!";
// Shown with the error icon and the caption SerialStatusCaption while setting USB up.
inline constexpr const char* SerialStatusCaption = "Serial Connection Status";
inline constexpr const char* PortCannotBeClosed = "Com Port Cannot Be Closed !!!";
}  // namespace comsettingtext

// The summary shown after a first start wrote the defaults.
std::string firstStartSummary(std::int32_t portIndex, std::uint32_t baudRate,
                              std::uint32_t frameSize);

// The port configuration the link library keeps of its own: a port index, a baud rate and a
// third value that only the library interprets.
struct LinkStoredConfig {
  std::int32_t portIndex = NoPort;
  std::uint32_t baudRate = 0;
  std::uint32_t extra = 0;
};
// Reads the link library's stored configuration; nothing when it cannot be read.
using LinkConfigReader = std::function<std::optional<LinkStoredConfig>()>;

// The parameters with which the link to the phone is opened: the port, the baud rate and frame
// size a connection begins with ("default") and the faster rate and larger frames it switches up
// to for a recording ("switch up"). The program keeps one instance for its whole run.
class ComSettings {
 public:
  enum class LoadResult { Read, Created };

  // Reads the values from `backend`. A group without values is a first start: the values are
  // taken from the link library's configuration (port and default baud rate) and the defaults,
  // written to the group, and summed up in a message. Otherwise each value that is missing or
  // out of range takes its default and shows its message. Never fails.
  LoadResult Load(SettingsBackend& backend, Prompter& prompter,
                  const LinkConfigReader& linkConfig = {});
  // Writes all five values, in the order the configuration sheet stores them. Returns false
  // when the group cannot be written.
  bool Save(SettingsBackend& backend) const;
  // Writes one value; nothing happens when the group cannot be written (false is returned).
  bool WriteItem(SettingsBackend& backend, ComSettingsItem item) const;

  std::int32_t portIndex() const { return portIndex_; }
  void setPortIndex(std::int32_t index) { portIndex_ = index; }
  std::uint32_t switchUpBaudRate() const { return switchUpBaudRate_; }
  void setSwitchUpBaudRate(std::uint32_t rate) { switchUpBaudRate_ = rate; }
  std::uint32_t switchUpFrameSize() const { return switchUpFrameSize_; }
  void setSwitchUpFrameSize(std::uint32_t size) { switchUpFrameSize_ = size; }
  std::uint32_t defaultFrameSize() const { return defaultFrameSize_; }
  void setDefaultFrameSize(std::uint32_t size) { defaultFrameSize_ = size; }
  std::uint32_t defaultBaudRate() const { return defaultBaudRate_; }
  void setDefaultBaudRate(std::uint32_t rate) { defaultBaudRate_ = rate; }

  // Whether the switch-up rate was set to "USB": the status bar then shows "USB Mode". Not
  // stored; it lasts for the run.
  bool usbMode() const { return usbMode_; }
  void setUsbMode(bool on) { usbMode_ = on; }

 private:
  std::string itemValue(ComSettingsItem item) const;
  // The named values of the items, in the order given (the order they are written in).
  SettingsValues itemValues(std::initializer_list<ComSettingsItem> items) const;

  std::int32_t portIndex_ = NoPort;
  std::uint32_t switchUpBaudRate_ = DefaultLinkBaudRate;
  std::uint32_t switchUpFrameSize_ = DefaultLinkFrameSize;
  std::uint32_t defaultFrameSize_ = DefaultLinkFrameSize;
  std::uint32_t defaultBaudRate_ = DefaultLinkBaudRate;
  bool usbMode_ = false;
};

// The frame sizes the link offers, in list order.
inline constexpr std::array<std::uint32_t, 3> FrameSizeChoices = {64, 128, 256};
// The list entry of a frame size; any other size shows as entry 0.
std::size_t frameSizeListIndex(std::uint32_t size);
// The frame size of a list entry; any other entry gives 64.
std::uint32_t frameSizeFromListIndex(std::size_t index);

// The baud rates offered for the default and the switch-up rate, in list order; the switch-up
// list also offers UsbChoice.
inline constexpr std::array<std::uint32_t, 8> BaudRateChoices = {9600,   19200,  38400,  57600,
                                                                 115200, 230400, 460800, 921600};
inline constexpr const char* UsbChoice = "USB";
std::vector<std::string> baudRateListTexts(bool switchUp);

// What choosing a baud-rate text did.
enum class BaudRateChoice {
  Rate,      // the text's value became the rate
  Usb,       // "USB" (any case): the rate stays; the caller sets the USB connection up
  Rejected,  // no positive decimal number: nothing changed
};
// Applies a baud-rate list text to the default (`switchUp` false) or switch-up rate. "USB" on the
// switch-up list switches the USB mode on; a number there switches it off.
BaudRateChoice applyBaudRateText(ComSettings& settings, std::string_view text, bool switchUp);

// The message for a result of setting the USB connection up: 1 done, 0 refused, -1 failed (any
// other value counts as failed). It is shown with the caption UsbStatusCaption.
const char* usbSetupMessage(int result);
// "Com Port  <index + 1> Cannot Be Opened !!!" (two blanks after "Port"), shown with
// SerialStatusCaption when the port for the USB set-up cannot be opened.
std::string portCannotBeOpenedText(std::int32_t portIndex);

// The display refresh rate as typed on the serial page: a value from 500 to 10000 ms stays, any
// other text is replaced by "1000" after InvalidRefreshRate has been shown.
std::string checkedRefreshRateText(std::string_view text, Prompter& prompter);

// One port found on the machine. A name of the form "COM<n>" (n decimal digits, any letter case)
// has the index n - 1 ("COM0" stays 0) and is listed as "COM<index + 1>". Any other name, such
// as a device path "/dev/ttyUSB0", is kept as the port's name; such ports are numbered in name
// order, starting one past the highest COM index (0 when there is none), so that each index of
// the table names one port and the link opens a port by looking its index up here.
struct SerialPort {
  std::int32_t index = 0;
  std::string name;
  bool operator==(const SerialPort&) const = default;
};
// The index of a "COM<n>" name; nothing for any other name.
std::optional<std::int32_t> comPortIndex(std::string_view name);

// At most this many ports are listed.
inline constexpr std::size_t MaxListedPorts = 256;
// The ports of the machine by ascending index, from the port names the system reports; each
// index appears once. Nothing reported (the list could not be read) shows PortListUnreadable and
// gives an empty table.
std::vector<SerialPort> availablePortTable(const std::optional<std::vector<std::string>>& names,
                                           Prompter& prompter);
// The same table from a list of port names that was read.
std::vector<SerialPort> portTableOf(const std::vector<std::string>& names);
// The name of a port index: its table entry, "COM<index + 1>" for an index not in the table,
// and an empty text for NoPort.
std::string portName(const std::vector<SerialPort>& table, std::int32_t index);

}  // namespace kelvor
