#pragma once

#include <QTableView>
#include <memory>

class QMenu;
class QPrinter;

#include "app/ViewModes.h"
#include "views/PrintableView.h"
#include "views/StatisticsTableModel.h"

namespace kelvor::gui {

class CKelvorDoc;
class DistributionWindow;

inline constexpr const char* DistributionActionText = "Distribution...";
inline constexpr const char* DistributionNoTraceTip = "Open a trace file first.";
inline constexpr const char* DistributionRecordingTip = "Not available while a recording runs.";

// The statistics table in the left pane: one row per entry of the engine, with the icons by
// priority, refreshed when the document says the statistics changed; prints itself.
class CKelvorView final : public QTableView, public PrintableView {
  Q_OBJECT
 public:
  CKelvorView(CKelvorDoc& document, QWidget* parent = nullptr);
  ~CKelvorView() override;

  StatisticsTableModel& tableModel() { return model_; }

  // The column set that the acquisition state selects (live while recording).
  void rebuildColumns();
  // Rebuilds the rows from the engine.
  void refreshRows();

  // The context menu of a row, or of the table's empty part (row -1): "Distribution...", which
  // needs a row of a loaded trace and no recording (a tooltip says why it is disabled).
  std::unique_ptr<QMenu> contextMenuFor(int row);
  // Shows the distribution window of a row's entry, owned by the main window: the one already
  // open for that entry, or a new one.
  DistributionWindow* openDistribution(int row);

  // Printing, print preview and printer set-up of the table.
  void print() override;
  void printPreview() override;
  void printerSetup() override;

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void onUpdate(UpdateHint hint);
  void applyColumnWidths();
  // One printer for the view's life, so that the printer set-up applies to the next print.
  QPrinter& printer();

  CKelvorDoc& document_;
  StatisticsTableModel model_;
  std::unique_ptr<QPrinter> printer_;
};

}  // namespace kelvor::gui
