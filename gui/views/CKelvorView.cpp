#include "views/CKelvorView.h"

#include <QHeaderView>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>

#include "app/CKelvorDoc.h"
#include "views/FileDropSupport.h"
#include "views/TablePrinter.h"

namespace kelvor::gui {
namespace {

// Where the difference columns of a comparison are shown: after "PID", "Text" and "% RT".
constexpr int ComparisonColumnsAt = 3;

}  // namespace

CKelvorView::~CKelvorView() = default;

QPrinter& CKelvorView::printer() {
  if (!printer_) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  }
  return *printer_;
}

CKelvorView::CKelvorView(CKelvorDoc& document, QWidget* parent)
    : QTableView(parent), document_(document) {
  setObjectName("statisticsTable");
  setModel(&model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setIconSize(QSize(16, 16));
  setShowGrid(false);
  setWordWrap(false);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setHighlightSections(false);

  connect(&document_, &CKelvorDoc::viewsDetach, this, [this] { model_.clearRows(); });
  connect(&document_, &CKelvorDoc::viewsRebuild, this, [this] {
    model_.clearRows();
    rebuildColumns();
  });
  connect(&document_, &CKelvorDoc::viewsUpdate, this, &CKelvorView::onUpdate);
  connect(&document_, &CKelvorDoc::comparisonChanged, this, [this] {
    model_.setComparison(document_.comparison());
    applyColumnWidths();
    // The model appends the difference columns; they are shown right after the entry's share,
    // next to the names they belong to.
    QHeaderView* header = horizontalHeader();
    const int first = model_.statisticsColumnCount();
    for (int column = first; column < model_.columnCount(); ++column) {
      header->moveSection(header->visualIndex(column), ComparisonColumnsAt + (column - first));
    }
  });

  // Initial update: the columns, then an analysis of the whole stream, whose update hint
  // brings the rows.
  rebuildColumns();
  document_.analyseWindow(TimeWindow::wholeTrace());
}

void CKelvorView::applyColumnWidths() {
  // The difference columns of a comparison are as wide as the statistics' duration columns.
  constexpr int ComparisonColumnWidth = 110;
  for (int column = model_.statisticsColumnCount(); column < model_.columnCount(); ++column) {
    setColumnWidth(column, scaledColumnWidth(ComparisonColumnWidth, fontMetrics()));
  }
  for (int column = 0; column < model_.statisticsColumnCount(); ++column) {
    const int icon = column == 0 ? iconSize().width() + 8 : 0;
    setColumnWidth(column, scaledColumnWidth(statisticsColumn(column).width, fontMetrics()) + icon);
  }
}

void CKelvorView::rebuildColumns() {
  model_.rebuildColumns(document_.session().acquisitionState == AcquisitionState::Recording);
  applyColumnWidths();
}

void CKelvorView::refreshRows() {
  if (document_.loading()) {
    return;
  }
  model_.refreshRows(statisticsRowSource(document_.session()));
}

void CKelvorView::onUpdate(UpdateHint hint) {
  if (hint == UpdateHint::StatisticsChanged || hint == UpdateHint::EventsAppended) {
    refreshRows();
  }
}

void CKelvorView::print() {
  QPrinter& target = printer();
  QPrintDialog dialog(&target, this);
  if (dialog.exec() != QDialog::Accepted) {
    return;
  }
  const Session& session = document_.session();
  TablePrinter(session.engine.get(), session.processTable, session.currentTraceFile)
      .printAll(target);
}

void CKelvorView::printPreview() {
  QPrintPreviewDialog dialog(&printer(), this);
  dialog.setWindowTitle("Side view");
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
    const Session& session = document_.session();
    TablePrinter(session.engine.get(), session.processTable, session.currentTraceFile)
        .printAll(*target);
  });
  dialog.exec();
}

void CKelvorView::printerSetup() {
  QPageSetupDialog dialog(&printer(), this);
  dialog.exec();
}

}  // namespace kelvor::gui
