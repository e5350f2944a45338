#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/Prompter.h"
#include "settings/ComSettings.h"

namespace kelvor::gui {

// What the Serial page of the configuration sheet starts from.
struct SerialPageInput {
  // A copy of the program's serial settings; the page changes only this copy.
  ComSettings settings;
  // The port names the system reports; nothing when they cannot be read.
  std::optional<std::vector<std::string>> portNames = std::vector<std::string>{};
  // Sets the USB connection up on the port with the given 0-based index and returns the result
  // of SetUpUsbConnection. Without it the set-up counts as failed.
  std::function<int(std::int32_t)> setUpUsb;
};

// The machine's serial ports for the port list: a name of the form "COM<n>" as the system gives
// it, any other port by its device path.
std::vector<std::string> systemSerialPortNames();

// The "Serial" page: the display refresh rate of a recording and the link's port, default and
// switch-up baud rates and frame sizes. A list that changes applies at once to the page's copy of
// the settings; "USB" on the switch-up baud list sets the USB connection up and says how it went.
class SerialPage final : public QWidget {
  Q_OBJECT
 public:
  SerialPage(SerialPageInput input, const std::string& refreshRate, Prompter& prompter,
             QWidget* parent = nullptr);

  // The page's settings with the texts of both baud-rate lists applied (a typed rate counts
  // even when the list was not left).
  ComSettings settings() const;
  // The refresh rate after the check of leaving the field.
  std::string refreshRateText();
  // Leaving "Display refresh rate:": a rate outside 500..10000 ms becomes 1000 with a message.
  void checkRefreshRate();

  QLineEdit* refreshRateEdit() const { return refreshRate_; }
  QComboBox* portList() const { return port_; }
  QComboBox* defaultBaudList() const { return defaultBaud_; }
  QComboBox* defaultFrameSizeList() const { return defaultFrameSize_; }
  QComboBox* switchUpBaudList() const { return switchUpBaud_; }
  QComboBox* switchUpFrameSizeList() const { return switchUpFrameSize_; }

 private:
  void fillPorts(const std::optional<std::vector<std::string>>& names);
  // A baud-rate list was picked from (`picked`) or its typed text left; a text left unchanged
  // is not applied again, so that leaving "USB" does not set the connection up twice.
  void baudRateChosen(bool switchUp, bool picked);
  void showBaudRate(bool switchUp);
  void setUpUsb();

  ComSettings settings_;
  std::function<int(std::int32_t)> setUpUsb_;
  Prompter& prompter_;
  QLineEdit* refreshRate_;
  QComboBox* port_;
  QComboBox* defaultBaud_;
  QComboBox* defaultFrameSize_;
  QComboBox* switchUpBaud_;
  QComboBox* switchUpFrameSize_;
  QString shownDefaultBaud_;
  QString shownSwitchUpBaud_;
  bool checkingRefreshRate_ = false;
};

}  // namespace kelvor::gui
