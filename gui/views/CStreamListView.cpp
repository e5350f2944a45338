#include "views/CStreamListView.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTimer>

#include "app/CKelvorDoc.h"
#include "views/CutFramesDialog.h"
#include "views/FileDropSupport.h"
#include "views/TimeStepDialogs.h"

namespace kelvor::gui {

CStreamListView::CStreamListView(CKelvorDoc& document, QWidget* parent)
    : QTableView(parent), document_(document) {
  setObjectName("streamList");
  setModel(&model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setIconSize(QSize(18, 18));
  setShowGrid(false);
  setWordWrap(false);
  setSortingEnabled(false);
  // Every row has the same height, so scrolling to any row of a long list costs nothing.
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(20);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setHighlightSections(false);
  applyColumnWidths();

  connect(&document_, &CKelvorDoc::viewsDetach, this, [this] {
    model_.clearRows();
    emit listedCountChanged(0);
  });
  connect(&document_, &CKelvorDoc::viewsRebuild, this, [this] {
    rebuildRows();
    if (model_.rowCount() > 0) {
      selectRow(0);
      scrollToTop();
    }
  });
  connect(&document_, &CKelvorDoc::viewsUpdate, this, &CStreamListView::onUpdate);
  rebuildRows();
}

void CStreamListView::rebuildRows() {
  const Session& session = document_.session();
  if (document_.loading() || !session.engine) {
    model_.clearRows();
  } else {
    model_.rebuild(*session.engine, streamRowSource(session));
    applyColumnWidths();
  }
  emit listedCountChanged(model_.listedCount());
}

void CStreamListView::takeInRows() {
  const Session& session = document_.session();
  if (document_.loading() || !session.engine) {
    return;
  }
  if (model_.takeIn(*session.engine) > 0) {
    emit listedCountChanged(model_.listedCount());
  }
}

void CStreamListView::applyColumnWidths() {
  for (int column = 0; column < StreamColumnCount; ++column) {
    const int icon = column == 0 ? iconSize().width() + 8 : 0;
    setColumnWidth(column, scaledColumnWidth(streamColumn(column).width, fontMetrics()) + icon);
  }
}

void CStreamListView::showStreamEvent(std::size_t eventIndex) {
  showRow(model_.rowAtOrAfter(eventIndex));
}

void CStreamListView::showRow(int row) {
  if (row >= 0 && row < model_.rowCount()) {
    selectRow(row);
    scrollTo(model_.index(row, 0), QAbstractItemView::PositionAtCenter);
  }
}

double CStreamListView::startTimeOfRow(int row) const {
  return model_.data(model_.index(row, StreamStartTimeColumn)).toString().trimmed().toDouble();
}

void CStreamListView::onUpdate(UpdateHint hint) {
  if (hint == UpdateHint::StatisticsChanged || hint == UpdateHint::VisibleSetChanged) {
    rebuildRows();
  } else if (hint == UpdateHint::EventsAppended) {
    takeInRows();
  }
  // A marker 1 set since the list last showed it: its row is selected once.
  Session& session = document_.session();
  if (!session.timeStep.streamSynced && session.timeStep.marker1Event && session.engine &&
      !document_.loading()) {
    showStreamEvent(session.engine->stream().indexAtOrAfter(*session.timeStep.marker1Event));
    session.timeStep.streamSynced = true;
  }
}

void CStreamListView::changeVisiblePid() {
  Session& session = document_.session();
  if (!session.engine || document_.loading()) {
    return;
  }
  const PidSelectResult result = document_.timeStepDialogs().pidSelect(
      this, session, session.timeStep.condensedView,
      [&session](bool condensed) { session.timeStep.condensedView = condensed; });
  if (result.accepted || !result.selectionUnchanged) {
    document_.updateAllViews(UpdateHint::VisibleSetChanged);
  }
}

void CStreamListView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.setToolTipsVisible(true);
  QAction* visible = menu.addAction("Change Visible PID");
  QAction* exportMes = menu.addAction("Export To .mes file");
  QAction* cut = menu.addAction("Cutt Off Data Frames");
  QAction* chosen = menu.exec(event->globalPos());
  if (chosen == visible) {
    changeVisiblePid();
  } else if (chosen == exportMes) {
    document_.exportMes();
  } else if (chosen == cut) {
    cutFrames();
  }
}

void CStreamListView::cutFrames() {
  CutFramesDialog dialog(document_.session(), document_.prompter(), document_.dialogs(), this);
  dialog.exec();
}

}  // namespace kelvor::gui
