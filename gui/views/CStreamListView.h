#pragma once

#include <QTableView>

#include "app/ViewModes.h"
#include "views/StreamListModel.h"

namespace kelvor::gui {

class CKelvorDoc;

// Text of the tooltip of commands whose part of the program is not built yet.
inline constexpr const char* NotAvailableYet = "Not available yet in this version.";

// The event stream in the right pane, one listed event per row, with a context menu for the
// export to a .mes file and the frame cut-off.
class CStreamListView final : public QTableView {
  Q_OBJECT
 public:
  CStreamListView(CKelvorDoc& document, QWidget* parent = nullptr);

  StreamListModel& listModel() { return model_; }
  // Lists the current stream anew.
  void rebuildRows();
  // Lists the events a recording appended since the last listing.
  void takeInRows();
  // Selects and shows the row of the event at a stream index (or the next listed one).
  void showStreamEvent(std::size_t eventIndex);
  // Selects and shows a row.
  void showRow(int row);
  // The time a row's "Start Time" cell shows, read back from its text.
  double startTimeOfRow(int row) const;

  // "Change Visible PID": the PID Select dialog; the views follow the new visible set.
  void changeVisiblePid();

  // The "Cutt Off Data Frames" command.
  void cutFrames();

 signals:
  void listedCountChanged(std::size_t count);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void onUpdate(UpdateHint hint);
  void applyColumnWidths();

  CKelvorDoc& document_;
  StreamListModel model_;
};

}  // namespace kelvor::gui
