#include "views/CKelvorView.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>
#include <algorithm>

#include "app/CKelvorDoc.h"
#include "views/DistributionWindow.h"
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
  // The rows are built anew; the selection stays with its entry.
  const QModelIndexList selected = selectionModel()->selectedRows();
  const bool hadSelection = !selected.isEmpty();
  const std::uint32_t selectedEntry =
      hadSelection ? model_.rows()[static_cast<std::size_t>(selected.front().row())].id : 0;
  model_.refreshRows(statisticsRowSource(document_.session()));
  if (!hadSelection) {
    return;
  }
  const std::vector<StatisticsRow>& rows = model_.rows();
  const auto found =
      std::find_if(rows.begin(), rows.end(),
                   [selectedEntry](const StatisticsRow& row) { return row.id == selectedEntry; });
  if (found != rows.end()) {
    // Selected without becoming current, which would scroll to it at every refresh.
    selectionModel()->select(model_.index(static_cast<int>(found - rows.begin()), 0),
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
}

void CKelvorView::onUpdate(UpdateHint hint) {
  if (hint == UpdateHint::StatisticsChanged || hint == UpdateHint::EventsAppended) {
    refreshRows();
  }
}

std::unique_ptr<QMenu> CKelvorView::contextMenuFor(int row) {
  auto menu = std::make_unique<QMenu>(this);
  menu->setToolTipsVisible(true);
  QAction* distribution = menu->addAction(DistributionActionText);
  const Session& session = document_.session();
  const bool hasTrace = session.engine && !session.engine->stream().empty() &&
                        !document_.loading() && row >= 0 && row < model_.rowCount();
  if (document_.recordingRuns()) {
    distribution->setEnabled(false);
    distribution->setToolTip(DistributionRecordingTip);
  } else if (!hasTrace) {
    distribution->setEnabled(false);
    distribution->setToolTip(DistributionNoTraceTip);
  } else {
    connect(distribution, &QAction::triggered, this, [this, row] { openDistribution(row); });
  }
  return menu;
}

DistributionWindow* CKelvorView::openDistribution(int row) {
  if (row < 0 || row >= model_.rowCount()) {
    return nullptr;
  }
  const StatisticsRow& shown = model_.rows()[static_cast<std::size_t>(row)];
  QWidget* owner = document_.window() != nullptr ? document_.window() : window();
  for (DistributionWindow* open :
       owner->findChildren<DistributionWindow*>(Qt::FindDirectChildrenOnly)) {
    if (open->entry() == shown.id) {
      open->raise();
      open->activateWindow();
      return open;
    }
  }
  const auto text = [&](StatisticsColumnId column) {
    return QString::fromStdString(shown.texts[static_cast<std::size_t>(column)]).trimmed();
  };
  auto* opened = new DistributionWindow(
      document_, shown.id, text(StatisticsColumnId::EntryId) + ' ' + text(StatisticsColumnId::Name),
      owner);
  opened->show();
  opened->refresh();
  return opened;
}

void CKelvorView::contextMenuEvent(QContextMenuEvent* event) {
  // The viewport's event, forwarded: its position is in the viewport, as indexAt() takes it. The
  // menu key means the current row.
  const QModelIndex index =
      event->reason() == QContextMenuEvent::Keyboard ? currentIndex() : indexAt(event->pos());
  if (index.isValid()) {
    selectRow(index.row());
  }
  const std::unique_ptr<QMenu> menu = contextMenuFor(index.isValid() ? index.row() : -1);
  menu->exec(event->globalPos());
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
