#pragma once

#include <QTableView>
#include <memory>

class QPrinter;

#include "app/ViewModes.h"
#include "views/PrintableView.h"
#include "views/StatisticsTableModel.h"

namespace kelvor::gui {

class CKelvorDoc;

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

  // Printing, print preview and printer set-up of the table.
  void print() override;
  void printPreview() override;
  void printerSetup() override;

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
