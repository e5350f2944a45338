#include "views/PidSelectDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStyle>
#include <QVBoxLayout>

namespace kelvor::gui {

namespace {

constexpr int ClassRole = Qt::UserRole;
constexpr int IdRole = Qt::UserRole + 1;
constexpr std::uint32_t InterruptBit = 0x10000u;

Qt::CheckState checkOf(bool checked) {
  return checked ? Qt::Checked : Qt::Unchecked;
}

void invert(QTreeWidgetItem* item) {
  item->setCheckState(0, checkOf(item->checkState(0) != Qt::Checked));
}

}  // namespace

QString pidIdText(std::uint32_t entryId) {
  const std::uint32_t shown = entryId > 0xFFFFu ? entryId & ~InterruptBit : entryId;
  return QStringLiteral("0x") + QString::number(shown, 16).toUpper();
}

PidSelectDialog::PidSelectDialog(Session& session, bool condensedView,
                                 std::function<void(bool)> condensedChanged, QWidget* parent)
    : QDialog(parent),
      session_(session),
      condensedChanged_(std::move(condensedChanged)),
      list_(new QTreeWidget(this)),
      condensed_(new QCheckBox("Condensed Thread View Visible", this)) {
  setObjectName("pidSelectDialog");
  setWindowTitle("PID Select");

  list_->setColumnCount(2);
  list_->setHeaderLabels({"ID", "Prozess Text"});
  // The id column holds the check box besides its text.
  list_->setColumnWidth(0, IdColumnWidth + list_->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                               2 * list_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8);
  list_->setColumnWidth(1, NameColumnWidth);
  list_->setRootIsDecorated(false);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setAllColumnsShowFocus(true);
  list_->setMinimumHeight(320);
  if (session_.engine) {
    for (const auto& [id, stats] : session_.engine->statistics()) {
      const ProcessEntry* entry = session_.processTable.find(id);
      auto* item = new QTreeWidgetItem(
          list_, {pidIdText(id), entry ? QString::fromStdString(entry->name) : QString()});
      // The check shows the state; only the buttons and a double click change it.
      item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
      item->setCheckState(0, checkOf(stats.visible != 0));
      item->setData(0, ClassRole, stats.entryClass);
      item->setData(0, IdRole, id);
    }
  }
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
    invertSelectedRows();
    selectionChanged_ = true;
  });

  auto* editRow = new QHBoxLayout;
  auto* clearAll = addButton(Button::ClearAll, "Clear All");
  auto* setAll = addButton(Button::SetAll, "Set All");
  auto* toggle = addButton(Button::Toggle, "Toggle");
  editRow->addWidget(clearAll);
  editRow->addWidget(setAll);
  editRow->addWidget(toggle);
  editRow->addStretch();
  connect(clearAll, &QPushButton::clicked, this, [this] { setAllRows(false); });
  connect(setAll, &QPushButton::clicked, this, [this] { setAllRows(true); });
  // Unlike every other button, "Toggle" does not count as a change of the selection.
  connect(toggle, &QPushButton::clicked, this, [this] { invertSelectedRows(); });

  auto* classColumn = new QVBoxLayout;
  const struct {
    Button button;
    const char* text;
    std::uint32_t first;
    std::uint32_t last;
  } classButtons[] = {{Button::ToggleStartbit, "Toggle Startbit-Process", 0, 0},
                      {Button::ToggleMessage, "Toggle Message-Process", 1, 1},
                      {Button::ToggleTasks, "Toggle Tasks", 2, 2},
                      {Button::ToggleHisrs, "Toggle HISRs", 3, 3},
                      {Button::ToggleIrq, "Toggle IRQ", 4, 5}};
  for (const auto& c : classButtons) {
    QPushButton* b = addButton(c.button, c.text);
    classColumn->addWidget(b);
    const std::uint32_t first = c.first;
    const std::uint32_t last = c.last;
    connect(b, &QPushButton::clicked, this, [this, first, last] { invertClasses(first, last); });
  }
  // Which entries are the scheduler and the idle loop is not known: the button does nothing.
  classColumn->addWidget(addButton(Button::ToggleScheduler, "Toggle Scheduler && Idle"));
  classColumn->addStretch();

  auto* closeColumn = new QVBoxLayout;
  QPushButton* ok = addButton(Button::Ok, "OK");
  QPushButton* cancel = addButton(Button::Cancel, "Cancel");
  ok->setDefault(true);
  closeColumn->addWidget(ok);
  closeColumn->addWidget(cancel);
  closeColumn->addStretch();
  connect(ok, &QPushButton::clicked, this, &PidSelectDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &PidSelectDialog::reject);

  condensed_->setChecked(condensedView);
  connect(condensed_, &QCheckBox::toggled, this, [this](bool on) {
    if (condensedChanged_) {
      condensedChanged_(on);
    }
    selectionChanged_ = true;
  });

  auto* lower = new QHBoxLayout;
  lower->addLayout(classColumn);
  lower->addStretch();
  lower->addLayout(closeColumn);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(editRow);
  layout->addLayout(lower);
  layout->addWidget(condensed_);
}

QPushButton* PidSelectDialog::addButton(Button which, const char* text) {
  auto* b = new QPushButton(text, this);
  b->setAutoDefault(false);
  buttons_[static_cast<std::size_t>(which)] = b;
  return b;
}

bool PidSelectDialog::rowChecked(int row) const {
  const QTreeWidgetItem* item = list_->topLevelItem(row);
  return item != nullptr && item->checkState(0) == Qt::Checked;
}

void PidSelectDialog::setAllRows(bool checked) {
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    list_->topLevelItem(i)->setCheckState(0, checkOf(checked));
  }
  selectionChanged_ = true;
}

void PidSelectDialog::invertSelectedRows() {
  for (QTreeWidgetItem* item : list_->selectedItems()) {
    invert(item);
  }
}

void PidSelectDialog::invertClasses(std::uint32_t first, std::uint32_t last) {
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = list_->topLevelItem(i);
    const auto entryClass = item->data(0, ClassRole).toUInt();
    if (entryClass >= first && entryClass <= last) {
      invert(item);
    }
  }
  selectionChanged_ = true;
}

void PidSelectDialog::accept() {
  if (session_.engine) {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* item = list_->topLevelItem(i);
      const auto id = item->data(0, IdRole).toUInt();
      session_.engine->statsFor(id).visible = rowChecked(i) ? 1 : 0;
    }
  }
  result_ = {true, !selectionChanged_};
  selectionChanged_ = false;
  QDialog::accept();
}

void PidSelectDialog::reject() {
  result_ = {false, !selectionChanged_};
  selectionChanged_ = false;
  QDialog::reject();
}

}  // namespace kelvor::gui
