#include <QMenu>

#include "app/CKelvorDoc.h"
#include "views/CStreamListView.h"
#include "views/CTimeStepView.h"
#include "views/TimeStepDialogs.h"
#include "views/TimeStepFontMapping.h"

// The commands of the time-step chart: its context menu, the markers and what they do to the
// statistics, zoom, goto, sync, fonts, row order and the visible set.
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

}  // namespace

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
namespace {

std::optional<double> referencedTime(const TimeStepContent& content, double t) {
  if (content.stream() == nullptr) {
    return std::nullopt;
  }
  const std::optional<std::size_t> index = eventReference(*content.stream(), t);
  if (!index) {
    return std::nullopt;
  }
  return (*content.stream())[*index].time;
}

}  // namespace

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

}  // namespace kelvor::gui
