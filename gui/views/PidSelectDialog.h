#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "session/Session.h"
#include "views/TimeStepDialogs.h"

namespace kelvor::gui {

// The id text of an entry in "PID Select": "0x%X"; an interrupt shows its number, the id
// without the 0x10000 bit.
QString pidIdText(std::uint32_t entryId);

// "PID Select": one row per statistics record in ascending id, checked when the record is
// visible. The buttons change only the rows; OK writes every record's visible flag from its row.
// The condensed-view switch takes effect at once and is not undone by Cancel.
class PidSelectDialog final : public QDialog {
  Q_OBJECT
 public:
  enum class Button : int {
    ClearAll,
    SetAll,
    Toggle,
    ToggleStartbit,   // class 0
    ToggleMessage,    // class 1
    ToggleTasks,      // class 2
    ToggleHisrs,      // class 3
    ToggleIrq,        // classes 4 and 5
    ToggleScheduler,  // changes nothing
    Ok,
    Cancel,
  };
  static constexpr int ButtonCount = static_cast<int>(Button::Cancel) + 1;
  static constexpr int IdColumnWidth = 60;
  static constexpr int NameColumnWidth = 300;

  PidSelectDialog(Session& session, bool condensedView, std::function<void(bool)> condensedChanged,
                  QWidget* parent = nullptr);

  QTreeWidget* list() const { return list_; }
  QPushButton* button(Button which) const { return buttons_[static_cast<std::size_t>(which)]; }
  QCheckBox* condensedBox() const { return condensed_; }
  bool rowChecked(int row) const;
  // Whether a button changed anything since the dialog opened.
  bool selectionChanged() const { return selectionChanged_; }
  // Valid once the dialog has closed.
  PidSelectResult result() const { return result_; }

  void accept() override;
  void reject() override;

 private:
  void setAllRows(bool checked);
  void invertSelectedRows();
  void invertClasses(std::uint32_t first, std::uint32_t last);
  QPushButton* addButton(Button which, const char* text);

  Session& session_;
  std::function<void(bool)> condensedChanged_;
  QTreeWidget* list_;
  QCheckBox* condensed_;
  std::array<QPushButton*, ButtonCount> buttons_{};
  bool selectionChanged_ = false;
  PidSelectResult result_;
};

}  // namespace kelvor::gui
