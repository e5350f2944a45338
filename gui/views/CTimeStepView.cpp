#include "views/CTimeStepView.h"

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

struct MenuEntry {
  TimeStepCommand id;
  const char* text;
  bool separatorAfter;
};

// The context menu in its order.
constexpr MenuEntry MenuEntries[] = {
    {TimeStepCommand::SetMarker2, "Set marker 2", false},
    {TimeStepCommand::RemoveMarker1, "Remove marker 1", false},
    {TimeStepCommand::RemoveMarker2, "Remove marker 2", true},
    {TimeStepCommand::ChangeVisiblePid, "Change visible PID...", true},
    {TimeStepCommand::ZoomOutBy10, "Zoom out by 10", false},
    {TimeStepCommand::ZoomOutBy3, "Zoom out by 3", false},
    {TimeStepCommand::ZoomInBy3, "Zoom in by 3", false},
    {TimeStepCommand::ZoomInBy10, "Zoom in by 10", false},
    {TimeStepCommand::ZoomFactor, "Zoom factor...", false},
    {TimeStepCommand::ZoomToMarker, "Zoom to marker", true},
    {TimeStepCommand::GotoPosition, "Goto Position...", false},
    {TimeStepCommand::GotoMarker, "Goto Marker", false},
    {TimeStepCommand::SyncWithStreamList, "Sync. with Stream-List", true},
    {TimeStepCommand::DisplayFromTo, "Display from/to...", true},
    {TimeStepCommand::SetLabelFont, "Set Label Font...", false},
    {TimeStepCommand::SetTitleFont, "Set Titel Font...", true},
    {TimeStepCommand::SortByPriority, "Sort by priority", false},
    {TimeStepCommand::SortById, "Sort by CepID", false},
};

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
    : QAbstractScrollArea(parent), document_(document) {
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
  connect(&document_, &CKelvorDoc::viewsUpdate, this, [this](UpdateHint) { refresh(); });

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
    content_.rebuild(session, session.timeStep.sortMode);
  }
  recomputePage();
  invalidate();
}

void CTimeStepView::refresh() {
  if (document_.loading()) {
    return;
  }
  Session& session = document_.session();
  content_.refresh(session, session.timeStep.sortMode);
  recomputePage();
  invalidate();
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

std::unique_ptr<QMenu> CTimeStepView::contextMenu(const QPoint& point) {
  rightClick_ = point;
  auto menu = std::make_unique<QMenu>(this);
  const int sortMode = document_.session().timeStep.sortMode;
  for (const MenuEntry& entry : MenuEntries) {
    QAction* action = menu->addAction(QString::fromLatin1(entry.text));
    action->setData(static_cast<int>(entry.id));
    action->setEnabled(commandEnabled(entry.id));
    if (entry.id == TimeStepCommand::SortByPriority || entry.id == TimeStepCommand::SortById) {
      action->setCheckable(true);
      action->setChecked((entry.id == TimeStepCommand::SortById) == (sortMode == 1));
    }
    const TimeStepCommand id = entry.id;
    connect(action, &QAction::triggered, this, [this, id] { command(id); });
    if (entry.separatorAfter) {
      menu->addSeparator();
    }
  }
  return menu;
}

bool CTimeStepView::commandEnabled(TimeStepCommand id) const {
  switch (id) {
    case TimeStepCommand::RemoveMarker1:
      return markers_.marker1.set;
    case TimeStepCommand::RemoveMarker2:
      return markers_.marker2.set;
    case TimeStepCommand::ZoomToMarker:
      return markers_.bothSet();
    default:
      return true;
  }
}

void CTimeStepView::applyMarkerChange(const MarkerChange& change, bool clearSynced) {
  Session& session = document_.session();
  markers_ = change.markers;
  saveState();
  if (clearSynced) {
    session.timeStep.streamSynced = false;
  }
  invalidate();
  if (change.analysisWindow) {
    // The analysis tells every view that the statistics changed.
    document_.analyseWindow(*change.analysisWindow);
  } else {
    document_.updateAllViews(UpdateHint::StatisticsChanged);
  }
}

// The stream list refers to the event at or after a marker's time.
static std::optional<double> referencedTime(const TimeStepContent& content, double t) {
  if (content.stream() == nullptr) {
    return std::nullopt;
  }
  const std::optional<std::size_t> index = eventReference(*content.stream(), t);
  if (!index) {
    return std::nullopt;
  }
  return (*content.stream())[*index].time;
}

void CTimeStepView::setMarker1At(const QPoint& point) {
  const std::optional<double> t = timeAt(point);
  if (!t || !content_.hasData()) {
    return;
  }
  document_.session().timeStep.marker1Event = referencedTime(content_, *t);
  applyMarkerChange(setMarker(markers_, MarkerId::Marker1, *t), true);
}

void CTimeStepView::showInterval(double from, double to) {
  if (const std::optional<ViewWindow> next = displayFromTo(content_.bounds(), from, to)) {
    setWindow(*next);
  }
}

void CTimeStepView::zoomBy(double multiplier) {
  setWindow(windowFor(content_.bounds(), zoomedFactor(window_.zoomFactor, multiplier),
                      window_.scrollPercent));
}

void CTimeStepView::gotoTime(double t) {
  setWindow(centredOn(content_.bounds(), window_, t));
}

void CTimeStepView::command(TimeStepCommand id) {
  if (!commandEnabled(id)) {
    return;
  }
  Session& session = document_.session();
  const TraceBounds bounds = content_.bounds();
  TimeStepDialogs& dialogs = document_.timeStepDialogs();
  CStreamListView* const list = document_.streamList();
  switch (id) {
    case TimeStepCommand::SetMarker2: {
      const std::optional<double> t = timeAt(rightClick_);
      if (t && content_.hasData()) {
        session.timeStep.marker2Event = referencedTime(content_, *t);
        applyMarkerChange(setMarker(markers_, MarkerId::Marker2, *t), false);
      }
      break;
    }
    case TimeStepCommand::RemoveMarker1:
      applyMarkerChange(removeMarker(markers_, MarkerId::Marker1, bounds), false);
      break;
    case TimeStepCommand::RemoveMarker2:
      applyMarkerChange(removeMarker(markers_, MarkerId::Marker2, bounds), false);
      break;
    case TimeStepCommand::ChangeVisiblePid:
      changeVisiblePid();
      break;
    case TimeStepCommand::ZoomOutBy10:
    case TimeStepCommand::ZoomOutBy3:
    case TimeStepCommand::ZoomInBy3:
    case TimeStepCommand::ZoomInBy10:
      setWindow(zoomedWindow(bounds, window_, static_cast<ZoomCommand>(static_cast<int>(id))));
      break;
    case TimeStepCommand::ZoomFactor:
      if (const std::optional<double> entered = dialogs.zoomFactor(this, window_.zoomFactor)) {
        if (const std::optional<double> factor = zoomDialogFactor(*entered)) {
          setWindow(windowFor(bounds, *factor, window_.scrollPercent));
        }
      }
      break;
    case TimeStepCommand::ZoomToMarker:
      if (const std::optional<ViewWindow> next = zoomToMarkers(bounds, markers_)) {
        setWindow(*next);
      }
      break;
    case TimeStepCommand::GotoPosition: {
      const std::optional<GotoRequest> request =
          dialogs.gotoPosition(this, gotoDefaultTime(window_));
      if (!request || content_.stream() == nullptr) {
        break;
      }
      double t = request->value;
      if (request->mode == GotoMode::Time) {
        if (list != nullptr) {
          list->showStreamEvent(content_.stream()->indexAtOrAfter(t));
        }
      } else {
        const std::size_t rows = list != nullptr ? list->listModel().listedCount() : 0;
        const std::optional<std::size_t> row = gotoRow(request->value, rows);
        if (!row) {
          break;
        }
        t = list->startTimeOfRow(static_cast<int>(*row));
        list->showRow(static_cast<int>(*row));
      }
      gotoTime(t);
      break;
    }
    case TimeStepCommand::GotoMarker:
      gotoTime(markers_.marker1.time);
      break;
    case TimeStepCommand::SyncWithStreamList: {
      const std::optional<double> t = timeAt(rightClick_);
      if (t && list != nullptr && content_.stream() != nullptr) {
        list->showStreamEvent(content_.stream()->indexAtOrAfter(*t));
        session.timeStep.streamSynced = true;
      }
      break;
    }
    case TimeStepCommand::DisplayFromTo:
      if (const std::optional<DisplayInterval> interval =
              dialogs.displayFromTo(this, displayFromToDefaults(window_))) {
        showInterval(interval->from, interval->to);
      }
      break;
    case TimeStepCommand::SetLabelFont:
      chooseFont(TimeStepFont::Label);
      break;
    case TimeStepCommand::SetTitleFont:
      chooseFont(TimeStepFont::Title);
      break;
    case TimeStepCommand::SortByPriority:
      if (session.timeStep.sortMode == 1 && content_.hasData()) {
        session.timeStep.sortMode = 0;
        refresh();
      }
      break;
    case TimeStepCommand::SortById:
      session.timeStep.sortMode = 1;
      refresh();
      break;
  }
}

void CTimeStepView::changeVisiblePid() {
  Session& session = document_.session();
  if (!session.engine || document_.loading()) {
    return;
  }
  const PidSelectResult result = document_.timeStepDialogs().pidSelect(
      this, session, session.timeStep.condensedView, [this](bool condensed) {
        document_.session().timeStep.condensedView = condensed;
        recomputePage();
        invalidate();
      });
  if (result.accepted) {
    invalidate();
    // Every view takes the new visible set; this one rebuilds its row order on the update.
    document_.updateAllViews(UpdateHint::VisibleSetChanged);
  }
}

void CTimeStepView::chooseFont(TimeStepFont which) {
  const bool label = which == TimeStepFont::Label;
  const QFont current = label ? paintFonts_.label : paintFonts_.title;
  const std::optional<QFont> chosen = document_.timeStepDialogs().font(
      this, current, label ? QStringLiteral("Label Font") : QStringLiteral("Title Font"));
  if (!chosen) {
    return;
  }
  LogFont font = toLogFont(*chosen, fontSet_[which]);
  fontSettings(FontAccess::Save, which, font, document_.fontBackends(), document_.prompter());
  fontSet_[which] = font;
  (label ? paintFonts_.label : paintFonts_.title) = toQFont(font);
  if (label) {
    refresh();  // measures the longest label anew
  }
  recomputePage();
  invalidate();
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
