#include "views/CTimeStepView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

#include "app/CKelvorDoc.h"
#include "views/CStreamListView.h"
#include "views/TimeStepDialogs.h"
#include "views/TimeStepFontMapping.h"

namespace kelvor::gui {

namespace {

// Walks over streams of this many events show the wait cursor.
constexpr std::size_t LongWalkEvents = 1'000'000;

std::optional<NavigationKey> navigationKey(int key) {
  switch (key) {
    case Qt::Key_PageUp:
      return NavigationKey::PageUp;
    case Qt::Key_PageDown:
      return NavigationKey::PageDown;
    case Qt::Key_End:
      return NavigationKey::End;
    case Qt::Key_Home:
      return NavigationKey::Home;
    case Qt::Key_Up:
      return NavigationKey::Up;
    case Qt::Key_Down:
      return NavigationKey::Down;
    case Qt::Key_Left:
      return NavigationKey::Left;
    case Qt::Key_Right:
      return NavigationKey::Right;
    default:
      return std::nullopt;
  }
}

}  // namespace

CTimeStepView::CTimeStepView(CKelvorDoc& document, QWidget* parent)
    : QAbstractScrollArea(parent), document_(document), content_(document.timeStepContent()) {
  setObjectName("timeStepChart");
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  horizontalScrollBar()->setRange(0, 100);
  horizontalScrollBar()->setPageStep(100);
  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
          &CTimeStepView::horizontalAction);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &CTimeStepView::verticalAction);
  connect(verticalScrollBar(), &QScrollBar::sliderReleased, this,
          [this] { verticalScroll(VerticalScroll::ThumbPosition, verticalScrollBar()->value()); });

  loadFonts();
  connect(&document_, &CKelvorDoc::viewsDetach, this, &CTimeStepView::detach);
  connect(&document_, &CKelvorDoc::viewsRebuild, this, [this] {
    rebuild();
    // A new trace is shown whole.
    restoreSaved();
  });
  connect(&document_, &CKelvorDoc::viewsUpdate, this, [this](UpdateHint hint) {
    if (hint == UpdateHint::EventsAppended) {
      takeIn();
    } else {
      refresh();
    }
  });

  // A new chart starts on the whole trace without markers.
  Session& session = document_.session();
  if (session.engine) {
    session.timeStep.saved = SavedView::wholeTrace(TraceBounds::of(session.engine->stream()));
  }
  rebuild();
  restoreSaved();
}

CTimeStepView::~CTimeStepView() {
  saveState();
}

void CTimeStepView::loadFonts() {
  fontSet_.loadAll(document_.fontBackends(), document_.prompter());
  paintFonts_.label = toQFont(fontSet_[TimeStepFont::Label]);
  paintFonts_.title = toQFont(fontSet_[TimeStepFont::Title]);
}

void CTimeStepView::detach() {
  content_.clear();
  invalidate();
}

void CTimeStepView::rebuild() {
  Session& session = document_.session();
  if (document_.loading()) {
    content_.clear();
  } else {
    if (content_.walkedFor(session)) {
      content_.refresh(session, session.timeStep.sortMode);
    } else if (session.acquisitionState == AcquisitionState::Recording) {
      // The walk of the recording so far goes on over what arrived since.
      content_.takeIn(session, session.timeStep.sortMode);
    } else {
      // The walk over a long trace takes a noticeable moment (about half a second for ten
      // million events): the pointer says so.
      const bool long_ = session.engine && session.engine->stream().size() >= LongWalkEvents;
      if (long_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
      }
      content_.rebuild(session, session.timeStep.sortMode);
      if (long_) {
        QApplication::restoreOverrideCursor();
      }
    }
  }
  recomputePage();
  invalidate();
}

void CTimeStepView::refresh() {
  if (document_.loading()) {
    return;
  }
  Session& session = document_.session();
  if (session.acquisitionState == AcquisitionState::Recording) {
    content_.takeIn(session, session.timeStep.sortMode);
  } else {
    content_.refresh(session, session.timeStep.sortMode);
  }
  recomputePage();
  invalidate();
}

void CTimeStepView::takeIn() {
  if (document_.loading()) {
    return;
  }
  Session& session = document_.session();
  // The walk of the recording so far goes on over what arrived since.
  content_.takeIn(session, session.timeStep.sortMode);
  recomputePage();
  // The whole trace stays shown whole as it grows; a zoomed window keeps its times.
  if (window_.zoomFactor <= 1.0) {
    setWindow(wholeTraceWindow(content_.bounds()));
  } else {
    updateScrollBars();
    invalidate();
  }
}

void CTimeStepView::restoreSaved() {
  const Session& session = document_.session();
  const TraceBounds bounds = content_.bounds();
  window_ = restoredWindow(bounds, session.timeStep.saved);
  markers_ = session.timeStep.saved.markers;
  setWindow(window_);
}

void CTimeStepView::saveState() {
  document_.session().timeStep.saved = SavedView::of(window_, markers_);
}

TimeStepFrame CTimeStepView::frame() const {
  TimeStepFrame f;
  f.window = window_;
  f.markers = markers_;
  f.firstRow = rows_.firstRow;
  f.dragging = rows_.dragging;
  f.summary.condensed = document_.session().timeStep.condensedView;
  f.sortMode = document_.session().timeStep.sortMode;
  return f;
}

void CTimeStepView::recomputePage() {
  page_ = timeStepPage(content_, frame(), paintFonts_.label, viewport(), viewport()->size());
  updateScrollBars();
}

void CTimeStepView::updateScrollBars() {
  adjustingBars_ = true;
  const ScrollBarState h = kelvor::horizontalScrollBar(window_);
  horizontalScrollBar()->setRange(h.minimum, h.maximum);
  horizontalScrollBar()->setPageStep(std::max(1, h.page));
  horizontalScrollBar()->setValue(h.position);
  const int last = lastFirstRow(content_.visibleEntries(), page_.layout.rowsPerPage);
  verticalScrollBar()->setRange(0, last);
  verticalScrollBar()->setPageStep(std::max(1, page_.layout.rowsPerPage));
  verticalScrollBar()->setValue(rows_.firstRow);
  adjustingBars_ = false;
}

void CTimeStepView::invalidate(Dirty level) {
  if (level == Dirty::All || dirty_ == Dirty::None) {
    dirty_ = level;
  }
  viewport()->update();
}

void CTimeStepView::setWindow(const ViewWindow& window, bool horizontalStep) {
  window_ = window;
  // The readouts name times of the previous window until the pointer moves again.
  readouts_.reset();
  updateScrollBars();
  saveState();
  invalidate(horizontalStep ? Dirty::Chart : Dirty::All);
}

std::optional<double> CTimeStepView::timeAt(const QPoint& point) const {
  return timeAtPoint(page_.chart(), axisFor(window_, page_.chart()), point.x(), point.y());
}

void CTimeStepView::horizontalAction(int action) {
  if (adjustingBars_) {
    return;
  }
  HorizontalScroll code = HorizontalScroll::Other;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      code = HorizontalScroll::LineLeft;
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      code = HorizontalScroll::LineRight;
      break;
    case QAbstractSlider::SliderPageStepSub:
      code = HorizontalScroll::PageLeft;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      code = HorizontalScroll::PageRight;
      break;
    case QAbstractSlider::SliderMove:
      code = HorizontalScroll::ThumbTrack;
      break;
    default:
      break;
  }
  horizontalScroll(code, horizontalScrollBar()->sliderPosition());
}

void CTimeStepView::horizontalScroll(HorizontalScroll code, int thumb) {
  const ViewWindow next = scrolledWindow(content_.bounds(), window_, code, thumb);
  setWindow(next, true);
  // The slider shows the window's position, not the one the action would have given it.
  horizontalScrollBar()->setSliderPosition(static_cast<int>(window_.scrollPercent));
}

void CTimeStepView::verticalAction(int action) {
  if (adjustingBars_) {
    return;
  }
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      verticalScroll(VerticalScroll::LineUp);
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      verticalScroll(VerticalScroll::LineDown);
      break;
    case QAbstractSlider::SliderPageStepSub:
      verticalScroll(VerticalScroll::PageUp);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      verticalScroll(VerticalScroll::PageDown);
      break;
    case QAbstractSlider::SliderMove:
      verticalScroll(VerticalScroll::ThumbTrack, verticalScrollBar()->sliderPosition());
      break;
    case QAbstractSlider::SliderToMinimum:
      verticalScroll(VerticalScroll::Top);
      break;
    case QAbstractSlider::SliderToMaximum:
      verticalScroll(VerticalScroll::Bottom);
      break;
    default:
      return;
  }
  verticalScrollBar()->setSliderPosition(rows_.firstRow);
}

void CTimeStepView::verticalScroll(VerticalScroll code, int thumb) {
  rows_ = scrolledRows(rows_, code, content_.visibleEntries(), page_.layout.rowsPerPage, thumb);
  updateScrollBars();
  invalidate();
}

void CTimeStepView::scrollContentsBy(int, int) {
  // The scroll bars move the window through their actions; their value only follows it.
}

void CTimeStepView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  rows_.firstRow = 0;
  recomputePage();
  invalidate();
}

void CTimeStepView::paintEvent(QPaintEvent*) {
  const QSize size = viewport()->size();
  const qreal ratio = devicePixelRatioF();
  if (image_.size() != size * ratio || dirty_ == Dirty::All) {
    if (image_.size() != size * ratio) {
      image_ = QImage(size * ratio, QImage::Format_RGB32);
      image_.setDevicePixelRatio(ratio);
    }
    QPainter painter(&image_);
    page_ = paintTimeStepPage(painter, content_, frame(), paintFonts_, size);
  } else if (dirty_ == Dirty::Chart && content_.hasData()) {
    // A horizontal step: only the chart, the axis and the positions change on the kept image.
    QPainter painter(&image_);
    paintTimeStepChart(painter, content_, frame(), paintFonts_, page_);
  }
  dirty_ = Dirty::None;
  QPainter painter(viewport());
  painter.drawImage(QPoint(0, 0), image_);
  if (readouts_ && content_.hasData()) {
    paintTimeStepReadouts(painter, paintFonts_.label, page_, *readouts_);
  }
}

QImage CTimeStepView::renderImage(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  renderInto(image);
  return image;
}

void CTimeStepView::renderInto(QImage& image) {
  QPainter painter(&image);
  paintTimeStepPage(painter, content_, frame(), paintFonts_, image.size());
}

void CTimeStepView::renderChartInto(QImage& image) {
  if (!content_.hasData()) {
    return;
  }
  QPainter painter(&image);
  const TimeStepFrame f = frame();
  paintTimeStepChart(painter, content_, f, paintFonts_,
                     timeStepPage(content_, f, paintFonts_.label, &image, image.size()));
}

void CTimeStepView::mousePressEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  const TimeAxis axis = axisFor(window_, page_.chart());
  if (event->button() == Qt::LeftButton) {
    leftPressTime_ = axis.xToTime(point.x());
  } else if (event->button() == Qt::RightButton) {
    rightClick_ = point;
    contextMenu(point)->exec(event->globalPosition().toPoint());
    return;
  }
  QAbstractScrollArea::mousePressEvent(event);
}

void CTimeStepView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    setMarker1At(event->position().toPoint());
  }
}

void CTimeStepView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  switch (cursorAt(page_.chart(), point.x(), point.y())) {
    case ChartCursor::CrossHair:
      viewport()->setCursor(Qt::CrossCursor);
      break;
    case ChartCursor::Arrow:
      viewport()->setCursor(Qt::ArrowCursor);
      break;
    case ChartCursor::Default:
      viewport()->unsetCursor();
      break;
  }
  const std::optional<double> t = timeAt(point);
  if (!t) {
    return;
  }
  const bool leftHeld = (event->buttons() & Qt::LeftButton) != 0;
  readouts_ = pointerReadouts(*t, markers_, leftHeld ? leftPressTime_ : std::nullopt);
  const int h = page_.textHeight;
  viewport()->update(
      QRect(0, readoutLineY(ReadoutLine::MarkerPos, h), page_.chart().right + 1, 2 * (h + 2)));
}

void CTimeStepView::wheelEvent(QWheelEvent* event) {
  const QPoint point = event->position().toPoint();
  const ChartRect chart = page_.chart();
  if (point.x() < chart.left || point.x() > chart.right || point.y() < chart.top ||
      point.y() > chart.bottom) {
    event->ignore();
    return;
  }
  const bool ctrlOnly = event->modifiers() == Qt::ControlModifier;
  const WheelAction action = actionForWheel(event->angleDelta().y() > 0, ctrlOnly,
                                            content_.hasData(), content_.visibleEntries());
  if (action.zoomMultiplier) {
    zoomBy(*action.zoomMultiplier);
  } else if (action.vertical) {
    verticalScroll(*action.vertical);
  }
  event->accept();
}

void CTimeStepView::keyPressEvent(QKeyEvent* event) {
  const std::optional<NavigationKey> key = navigationKey(event->key());
  if (!key) {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  const ScrollAction action = actionForKey(*key, (event->modifiers() & Qt::ControlModifier) != 0,
                                           content_.visibleEntries());
  if (action.vertical) {
    verticalScroll(*action.vertical);
  } else if (action.horizontal) {
    horizontalScroll(*action.horizontal);
  }
  event->accept();
}

void CTimeStepView::contextMenuEvent(QContextMenuEvent* event) {
  // A right button press opens the menu itself; this is the keyboard's menu key.
  if (event->reason() == QContextMenuEvent::Keyboard) {
    rightClick_ = viewport()->mapFromGlobal(event->globalPos());
    contextMenu(rightClick_)->exec(event->globalPos());
  }
}

QPrinter& CTimeStepView::printer() {
  if (!printer_) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setPageOrientation(QPageLayout::Landscape);
  }
  return *printer_;
}

void CTimeStepView::printOn(QPrinter& target) {
  // One page: the chart as the screen shows it, in the screen's coordinates mapped onto the
  // paper with its proportions kept (so the fonts keep their size relative to the rows).
  const QSize client = viewport()->size();
  QPainter painter(&target);
  const QRect paper = painter.viewport();
  const QSize fitted = client.scaled(paper.size(), Qt::KeepAspectRatio);
  painter.setViewport(paper.x() + (paper.width() - fitted.width()) / 2,
                      paper.y() + (paper.height() - fitted.height()) / 2, fitted.width(),
                      fitted.height());
  painter.setWindow(QRect(QPoint(0, 0), client));
  paintTimeStepPage(painter, content_, frame(), paintFonts_, client);
}

void CTimeStepView::print() {
  printOnePage(this, printer(), [this](QPrinter& target) { printOn(target); });
}

void CTimeStepView::printPreview() {
  previewOnePage(this, printer(), [this](QPrinter& target) { printOn(target); });
}

void CTimeStepView::printerSetup() {
  setUpPrinter(this, printer());
}

}  // namespace kelvor::gui
