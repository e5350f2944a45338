#include "views/CSumProcessView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>

#include "app/CKelvorDoc.h"

namespace kelvor::gui {

CSumProcessView::CSumProcessView(CKelvorDoc& document, QWidget* parent)
    : QAbstractScrollArea(parent), document_(document) {
  setObjectName("processorLoadChart");
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  // The view reads the engine only here, so a load that replaces it leaves nothing dangling.
  connect(&document_, &CKelvorDoc::viewsDetach, this, [this] {
    content_ = LoadChartContent{};
    viewport()->update();
  });
  connect(&document_, &CKelvorDoc::viewsRebuild, this, &CSumProcessView::refreshContent);
  connect(&document_, &CKelvorDoc::viewsUpdate, this, &CSumProcessView::refreshContent);

  // Initial update: an analysis of the whole stream, whose update brings the bars and W0.
  refreshContent();
  document_.analyseWindow(TimeWindow::wholeTrace());
}

CSumProcessView::~CSumProcessView() = default;

void CSumProcessView::refreshContent() {
  content_ = LoadChartContent{};
  const Session& session = document_.session();
  if (!document_.loading() && session.engine) {
    const StatisticsEngine& engine = *session.engine;
    content_.hasData = !engine.stream().empty();
    content_.entryCount = engine.statistics().size();
    if (content_.hasData) {
      const EntryNaming naming(session.processTable, nullptr, RunNameUse{});
      content_.bars = loadChartBars(engine, naming);
    }
  }
  // W0 follows the entries, so a load with more of them scrolls over all their bars.
  scrollWidth_ = loadChartScrollWidth(content_.entryCount);
  updateScrollBars();
  viewport()->update();
}

void CSumProcessView::updateScrollBars() {
  const QSize page = viewport()->size();
  horizontalScrollBar()->setPageStep(page.width());
  horizontalScrollBar()->setRange(0, std::max(0, scrollWidth_ - page.width()));
  verticalScrollBar()->setPageStep(page.height());
  verticalScrollBar()->setRange(0, std::max(0, LoadChartScrollHeight - page.height()));
}

void CSumProcessView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollBars();
}

void CSumProcessView::scrollContentsBy(int, int) {
  viewport()->update();
}

void CSumProcessView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QPoint offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
  painter.translate(-offset);
  // On the screen the chart is W0 wide and as high as the visible area.
  paintLoadChart(painter, content_, scrollWidth_, viewport()->height(), fonts_,
                 event->rect().translated(offset));
}

QPrinter& CSumProcessView::printer() {
  if (!printer_) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  }
  return *printer_;
}

void CSumProcessView::printOn(QPrinter& target) const {
  // One page; the printer fonts live as long as this painting.
  QPainter painter(&target);
  paintLoadChartPage(painter, content_,
                     QString::fromStdString(document_.session().currentTraceFile));
}

void CSumProcessView::print() {
  printOnePage(this, printer(), [this](QPrinter& target) { printOn(target); });
}

void CSumProcessView::printPreview() {
  previewOnePage(this, printer(), [this](QPrinter& target) { printOn(target); });
}

void CSumProcessView::printerSetup() {
  setUpPrinter(this, printer());
}

}  // namespace kelvor::gui
