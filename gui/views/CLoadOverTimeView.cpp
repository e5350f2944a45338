#include "views/CLoadOverTimeView.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QInputDialog>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QTimer>
#include <algorithm>

#include "app/BackgroundJob.h"
#include "app/CKelvorDoc.h"
#include "model/EntryNaming.h"
#include "views/TimeStepContent.h"
#include "views/TimeStepDialogs.h"

namespace kelvor::gui {

namespace {

// Work from this size on (events to walk, or stretches to add up) goes to a worker thread:
// about 50 ms on the reference machine.
constexpr std::size_t BackgroundEvents = 1'000'000;
constexpr std::size_t BackgroundStretches = 10'000'000;
// While another job holds the worker thread, the update is tried again after this long.
constexpr int RetryMilliseconds = 50;

}  // namespace

CLoadOverTimeView::CLoadOverTimeView(CKelvorDoc& document, QWidget* parent)
    : QWidget(parent), document_(document) {
  setObjectName("loadOverTimeChart");
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  connect(&document_, &CKelvorDoc::viewsDetach, this, &CLoadOverTimeView::detach);
  connect(&document_, &CKelvorDoc::viewsRebuild, this, &CLoadOverTimeView::scheduleUpdate);
  // A new analysis (markers, configuration), a new visible set and appended events: the key
  // tells whether the result itself has to be computed again.
  connect(&document_, &CKelvorDoc::viewsUpdate, this, &CLoadOverTimeView::scheduleUpdate);
  scheduleUpdate();
}

CLoadOverTimeView::~CLoadOverTimeView() = default;

void CLoadOverTimeView::scheduleUpdate() {
  if (!updatePending_) {
    updatePending_ = true;
    QTimer::singleShot(0, this, &CLoadOverTimeView::updateResult);
  }
}

void CLoadOverTimeView::detach() {
  load_ = LoadOverTime{};
  computedFor_.reset();
  chart_.state = LoadOverTimeChart::State::NoData;
  chart_.load = nullptr;
  chart_.series.clear();
  update();
}

// The range and the markers the time-step chart keeps while it is not shown.
void CLoadOverTimeView::takeRange() {
  const Session& session = document_.session();
  const TraceBounds bounds = TraceBounds::of(session.engine->stream());
  chart_.window = restoredWindow(bounds, session.timeStep.saved);
  chart_.markers = session.timeStep.saved.markers;
}

void CLoadOverTimeView::updateResult() {
  updatePending_ = false;
  Session& session = document_.session();
  if (document_.loading() || !session.engine || session.engine->stream().empty()) {
    detach();
    return;
  }
  if (backgroundJobRunning()) {
    updatePending_ = true;
    QTimer::singleShot(RetryMilliseconds, this, &CLoadOverTimeView::updateResult);
    return;
  }
  takeRange();
  const EventStream& stream = session.engine->stream();
  const TraceBounds bounds = TraceBounds::of(stream);
  const double from = std::max(chart_.window.viewStart, bounds.first);
  const double to = std::min(chart_.window.viewEnd(), bounds.last);
  const Key key{&stream, stream.size(), from, to, intervals_};
  TimeStepContent& content = document_.timeStepContent();
  const int sortMode = session.timeStep.sortMode;
  if (computedFor_ != key) {
    const bool recording = session.acquisitionState == AcquisitionState::Recording;
    const bool walk = !content.walkedFor(session);
    const TimeStepResult* walked = content.walkResult();
    const bool long_ = walk ? stream.size() >= BackgroundEvents
                            : walked != nullptr && walked->segmentCount() >= BackgroundStretches;
    LoadOverTime next;
    const LoadCut cut = LoadCut::intervals(intervals_);
    auto compute = [&] {
      if (walk) {
        // The walk of a recording goes on over what arrived since; a loaded trace is walked
        // once, for this view and the time-step chart alike.
        if (recording) {
          content.takeIn(session, sortMode);
        } else {
          content.rebuild(session, sortMode);
        }
      }
      if (const TimeStepResult* result = content.walkResult()) {
        next = LoadOverTime::compute(*result, from, to, cut);
      }
    };
    // A recording appends to the stream on this thread, so its walk stays here.
    if (long_ && !recording) {
      chart_.state = LoadOverTimeChart::State::Computing;
      chart_.load = nullptr;
      repaint();
      runBackgroundJob(compute, this);
    } else {
      compute();
    }
    load_ = std::move(next);
    computedFor_ = key;
    ++computations_;
  } else if (content.walkedFor(session)) {
    // Names may have changed with the configuration.
    content.refresh(session, sortMode);
  }
  takeSeries();
  chart_.state = LoadOverTimeChart::State::Ready;
  chart_.load = &load_;
  update();
}

// The entries of the result that "PID Select" left visible, with the time-step chart's labels.
void CLoadOverTimeView::takeSeries() {
  chart_.series.clear();
  const StatisticsEngine& engine = *document_.session().engine;
  const TimeStepContent& content = document_.timeStepContent();
  for (std::size_t column = 0; column < load_.entryCount(); ++column) {
    const std::uint32_t id = load_.entries()[column];
    const ProcessStats* record = engine.find(id);
    if (record == nullptr || record->visible == 0) {
      continue;
    }
    const TimeStepEntry* entry = content.entry(id);
    const QString name = entry != nullptr
                             ? entry->label
                             : QString::fromStdString(entryIdText(id, IdTextStyle::View));
    chart_.series.push_back({column, name, loadSeriesColour(column)});
  }
}

void CLoadOverTimeView::setIntervalCount(std::size_t count) {
  count = std::clamp<std::size_t>(count, 1, MaximumIntervals);
  if (count != intervals_) {
    intervals_ = count;
    scheduleUpdate();
  }
}

void CLoadOverTimeView::setStacked(bool stacked) {
  chart_.stacked = stacked;
  update();
}

void CLoadOverTimeView::chooseIntervals() {
  bool ok = false;
  const int count = QInputDialog::getInt(this, LoadOverTimeTitle,
                                         "Number of intervals:", static_cast<int>(intervals_), 1,
                                         MaximumIntervals, 1, &ok);
  if (ok) {
    setIntervalCount(static_cast<std::size_t>(count));
  }
}

void CLoadOverTimeView::changeVisiblePid() {
  Session& session = document_.session();
  if (!session.engine || document_.loading()) {
    return;
  }
  const PidSelectResult result = document_.timeStepDialogs().pidSelect(
      this, session, session.timeStep.condensedView,
      [this](bool condensed) { document_.session().timeStep.condensedView = condensed; });
  if (result.accepted) {
    document_.updateAllViews(UpdateHint::VisibleSetChanged);
  }
}

std::unique_ptr<QMenu> CLoadOverTimeView::contextMenu() {
  auto menu = std::make_unique<QMenu>(this);
  QAction* stackedAction = menu->addAction("Stacked Areas");
  stackedAction->setCheckable(true);
  stackedAction->setChecked(chart_.stacked);
  connect(stackedAction, &QAction::toggled, this, &CLoadOverTimeView::setStacked);
  connect(menu->addAction("Number of Intervals..."), &QAction::triggered, this,
          &CLoadOverTimeView::chooseIntervals);
  menu->addSeparator();
  QAction* pid = menu->addAction("Change visible PID...");
  pid->setEnabled(document_.session().engine != nullptr);
  connect(pid, &QAction::triggered, this, &CLoadOverTimeView::changeVisiblePid);
  return menu;
}

void CLoadOverTimeView::contextMenuEvent(QContextMenuEvent* event) {
  contextMenu()->exec(event->globalPos());
}

void CLoadOverTimeView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintLoadOverTime(painter, chart_, size());
}

QImage CLoadOverTimeView::renderImage(QSize size) const {
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  paintLoadOverTime(painter, chart_, size);
  return image;
}

QPrinter& CLoadOverTimeView::printer() {
  if (!printer_) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setPageOrientation(QPageLayout::Landscape);
  }
  return *printer_;
}

void CLoadOverTimeView::printOn(QPrinter& target) const {
  // One page: the chart as the screen shows it, its proportions kept on the paper.
  QPainter painter(&target);
  const QRect paper = painter.viewport();
  const QSize fitted = size().scaled(paper.size(), Qt::KeepAspectRatio);
  painter.setViewport(paper.x() + (paper.width() - fitted.width()) / 2,
                      paper.y() + (paper.height() - fitted.height()) / 2, fitted.width(),
                      fitted.height());
  painter.setWindow(rect());
  paintLoadOverTime(painter, chart_, size());
}

void CLoadOverTimeView::print() {
  printOnePage(this, printer(), [this](QPrinter& target) { printOn(target); });
}

void CLoadOverTimeView::printPreview() {
  previewOnePage(this, printer(), [this](QPrinter& target) { printOn(target); });
}

void CLoadOverTimeView::printerSetup() {
  setUpPrinter(this, printer());
}

}  // namespace kelvor::gui
