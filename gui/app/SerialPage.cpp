#include "app/SerialPage.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpressionValidator>
#include <QSerialPortInfo>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "link/LinkSetup.h"

namespace kelvor::gui {

namespace {

QComboBox* choiceList(const char* name, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  return list;
}

QComboBox* baudRateList(const char* name, bool switchUp, QWidget* parent) {
  QComboBox* list = choiceList(name, parent);
  list->setEditable(true);
  // A typed rate is applied, not added to the list.
  list->setInsertPolicy(QComboBox::NoInsert);
  list->lineEdit()->setValidator(new QRegularExpressionValidator(
      QRegularExpression(switchUp ? "[0-9]*|[Uu][Ss]?[Bb]?" : "[0-9]*"), list));
  for (const std::string& text : baudRateListTexts(switchUp)) {
    list->addItem(QString::fromStdString(text));
  }
  return list;
}

QComboBox* frameSizeList(const char* name, std::uint32_t size, QWidget* parent) {
  QComboBox* list = choiceList(name, parent);
  for (const std::uint32_t choice : FrameSizeChoices) {
    list->addItem(QString::number(choice));
  }
  list->setCurrentIndex(static_cast<int>(frameSizeListIndex(size)));
  return list;
}

// "Baud Rate:" and "Frame Size:" of one group.
QGroupBox* rateGroup(const char* title, QComboBox* baud, QComboBox* frameSize, QWidget* parent) {
  auto* group = new QGroupBox(title, parent);
  auto* form = new QFormLayout(group);
  form->addRow("Baud Rate:", baud);
  form->addRow("Frame Size:", frameSize);
  return group;
}

}  // namespace

std::vector<std::string> systemSerialPortNames() {
  std::vector<std::string> names;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    const std::string name = info.portName().toStdString();
    names.push_back(comPortIndex(name) ? name : info.systemLocation().toStdString());
  }
  return names;
}

SerialPage::SerialPage(SerialPageInput input, const std::string& refreshRate, Prompter& prompter,
                       QWidget* parent)
    : QWidget(parent),
      settings_(std::move(input.settings)),
      setUpUsb_(std::move(input.setUpUsb)),
      prompter_(prompter),
      refreshRate_(new QLineEdit(this)),
      port_(choiceList("ComPort", this)),
      defaultBaud_(baudRateList("DefaultBaudRate", false, this)),
      defaultFrameSize_(frameSizeList("DefaultFrameSize", settings_.defaultFrameSize(), this)),
      switchUpBaud_(baudRateList("SwitchUpBaudRate", true, this)),
      switchUpFrameSize_(frameSizeList("SwitchUpFrameSize", settings_.switchUpFrameSize(), this)) {
  setObjectName("serialPage");
  refreshRate_->setObjectName("RefreshRate");
  refreshRate_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this));
  refreshRate_->setText(QString::fromStdString(refreshRate));
  refreshRate_->setMaximumWidth(90);

  auto* update = new QGroupBox("Serial update", this);
  auto* updateRow = new QHBoxLayout(update);
  auto* refreshLabel = new QLabel("Display refresh rate:", update);
  refreshLabel->setBuddy(refreshRate_);
  updateRow->addWidget(refreshLabel);
  updateRow->addWidget(refreshRate_);
  updateRow->addWidget(new QLabel("ms", update));
  updateRow->addStretch();

  auto* link = new QGroupBox("QFL Settings", this);
  auto* linkLayout = new QVBoxLayout(link);
  auto* portRow = new QHBoxLayout;
  auto* portLabel = new QLabel("COM Port:", link);
  portLabel->setBuddy(port_);
  portRow->addWidget(portLabel);
  portRow->addWidget(port_);
  portRow->addStretch();
  linkLayout->addLayout(portRow);
  auto* rates = new QHBoxLayout;
  rates->addWidget(rateGroup("Default", defaultBaud_, defaultFrameSize_, link));
  rates->addWidget(rateGroup("Switch up", switchUpBaud_, switchUpFrameSize_, link));
  linkLayout->addLayout(rates);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(update);
  layout->addWidget(link);
  layout->addStretch();

  fillPorts(input.portNames);
  showBaudRate(false);
  showBaudRate(true);

  connect(refreshRate_, &QLineEdit::editingFinished, this, &SerialPage::checkRefreshRate);
  connect(port_, &QComboBox::currentIndexChanged, this, [this](int entry) {
    if (entry >= 0) {
      settings_.setPortIndex(port_->itemData(entry).toInt());
    }
  });
  connect(defaultFrameSize_, &QComboBox::currentIndexChanged, this, [this](int entry) {
    settings_.setDefaultFrameSize(frameSizeFromListIndex(static_cast<std::size_t>(entry)));
  });
  connect(switchUpFrameSize_, &QComboBox::currentIndexChanged, this, [this](int entry) {
    settings_.setSwitchUpFrameSize(frameSizeFromListIndex(static_cast<std::size_t>(entry)));
  });
  for (const bool switchUp : {false, true}) {
    QComboBox* list = switchUp ? switchUpBaud_ : defaultBaud_;
    connect(list, &QComboBox::activated, this,
            [this, switchUp] { baudRateChosen(switchUp, true); });
    connect(list->lineEdit(), &QLineEdit::editingFinished, this,
            [this, switchUp] { baudRateChosen(switchUp, false); });
  }
}

void SerialPage::fillPorts(const std::optional<std::vector<std::string>>& names) {
  std::vector<SerialPort> table = availablePortTable(names, prompter_);
  const std::int32_t index = settings_.portIndex();
  const bool listed = std::any_of(table.begin(), table.end(),
                                  [&](const SerialPort& port) { return port.index == index; });
  // A stored port that is not plugged in is listed all the same, so that it stays chosen.
  if (index != NoPort && !listed) {
    const auto at = std::find_if(table.begin(), table.end(),
                                 [&](const SerialPort& port) { return port.index > index; });
    table.insert(at, SerialPort{index, portName(table, index)});
  }
  for (const SerialPort& port : table) {
    port_->addItem(QString::fromStdString(port.name), port.index);
  }
  port_->setCurrentIndex(port_->findData(index));
}

void SerialPage::showBaudRate(bool switchUp) {
  QComboBox* list = switchUp ? switchUpBaud_ : defaultBaud_;
  const QString text =
      switchUp && settings_.usbMode()
          ? QString(UsbChoice)
          : QString::number(switchUp ? settings_.switchUpBaudRate() : settings_.defaultBaudRate());
  const int entry = list->findText(text);
  if (entry >= 0) {
    list->setCurrentIndex(entry);
  }
  list->setEditText(text);
  (switchUp ? shownSwitchUpBaud_ : shownDefaultBaud_) = text;
}

void SerialPage::baudRateChosen(bool switchUp, bool picked) {
  QComboBox* list = switchUp ? switchUpBaud_ : defaultBaud_;
  const QString text = list->currentText().trimmed();
  if (!picked && text == (switchUp ? shownSwitchUpBaud_ : shownDefaultBaud_)) {
    return;
  }
  const BaudRateChoice choice = applyBaudRateText(settings_, text.toStdString(), switchUp);
  // A rejected text (and "USB" typed into the default list) gives way to the rate in force.
  showBaudRate(switchUp);
  if (choice == BaudRateChoice::Usb && switchUp) {
    setUpUsb();
  }
}

void SerialPage::setUpUsb() {
  const int result = setUpUsb_ ? setUpUsb_(settings_.portIndex()) : usbsetup::Failed;
  prompter_.message(usbSetupMessage(result), comsettingtext::UsbStatusCaption,
                    result == usbsetup::Done ? PromptIcon::Information : PromptIcon::Warning);
}

ComSettings SerialPage::settings() const {
  ComSettings settings = settings_;
  applyBaudRateText(settings, defaultBaud_->currentText().trimmed().toStdString(), false);
  applyBaudRateText(settings, switchUpBaud_->currentText().trimmed().toStdString(), true);
  return settings;
}

void SerialPage::checkRefreshRate() {
  // The message box takes the focus from the field, which ends its editing once more.
  if (checkingRefreshRate_) {
    return;
  }
  checkingRefreshRate_ = true;
  const std::string checked = checkedRefreshRateText(refreshRate_->text().toStdString(), prompter_);
  refreshRate_->setText(QString::fromStdString(checked));
  checkingRefreshRate_ = false;
}

std::string SerialPage::refreshRateText() {
  checkRefreshRate();
  return refreshRate_->text().toStdString();
}

}  // namespace kelvor::gui
