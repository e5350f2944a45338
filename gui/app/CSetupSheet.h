#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QTabWidget>
#include <array>
#include <string>

#include "app/FileDialogs.h"
#include "app/SerialPage.h"
#include "common/Prompter.h"
#include "settings/AnalysisSettings.h"
#include "settings/SettingsStore.h"

namespace kelvor::gui {

// The values of the configuration pages, by settings name. "mapping" and "clkspeedstart" belong
// to pages that are not shown, "adressoffset" and the timer and message memory values to the
// MOP-Area page without a field; all of them are carried through a load and a store.
struct SetupFields {
  static constexpr std::array<const char*, 11> Keys = {
      setting::Mapping,          setting::ProcessIdFile,  setting::InterruptFile,
      setting::MopBase,          setting::MopOffset,      setting::StartClock,
      setting::TimerMemAddress,  setting::TimerMemOffset, setting::MessageMemAddress,
      setting::MessageMemOffset, setting::RefreshRate};

  std::array<std::string, Keys.size()> values;
  bool pidFileMissing = true;
  bool interruptFileMissing = true;

  std::string& operator[](std::string_view key);
  const std::string& operator[](std::string_view key) const;

  // Copies the values from the store; an empty refresh rate becomes the default (1000 ms).
  void loadFromStore(const SettingsStore& store);
  // Copies every value back into the store.
  void storeToStore(SettingsStore& store) const;
};

// The settings sheet ("Properties" in the "Configuration" menu) with the pages "MOP-Area Address",
// "Process names" and "Serial".
class CSetupSheet final : public QDialog {
  Q_OBJECT
 public:
  CSetupSheet(SettingsStore& store, Prompter& prompter, FileDialogs& dialogs,
              SerialPageInput serial = {}, QWidget* parent = nullptr);

  const SetupFields& fields() const { return fields_; }
  // Copies the edits into the fields and the fields into the store.
  void storeToStore();
  // The serial settings as the Serial page holds them.
  ComSettings serialSettings() const { return serial_->settings(); }
  SerialPage* serialPage() const { return serial_; }

  QLineEdit* startAddressEdit() const { return startAddress_; }
  QLineEdit* pidFileEdit() const { return pidFile_; }
  QLineEdit* interruptFileEdit() const { return interruptFile_; }
  QTabWidget* pages() const { return pages_; }

  // The "Browse..." buttons of the "Process names" page.
  void browsePidFile();
  void browseInterruptFile();

 private:
  void readEdits();

  SettingsStore& store_;
  Prompter& prompter_;
  FileDialogs& dialogs_;
  SetupFields fields_;
  QTabWidget* pages_;
  QLineEdit* startAddress_;
  QLineEdit* pidFile_;
  QLineEdit* interruptFile_;
  SerialPage* serial_ = nullptr;
};

}  // namespace kelvor::gui
