#pragma once

namespace kelvor::gui {

// What the left pane of the main window shows, numbered as the document keeps it.
enum class ShownView : int {
  StatisticsTable = 1,
  ProcessorLoad = 3,
  TimeStep = 4,
  LoadOverTime = 5,
};

// The same choice numbered as the main frame keeps its view mode.
enum class ViewMode : int {
  ProcessorLoad = 0,
  StatisticsTable = 2,
  TimeStep = 3,
  LoadOverTime = 4,
};

// The one correspondence between the two numberings: the frame switches its mode and tells the
// document which view is shown.
constexpr ShownView shownViewFor(ViewMode mode) {
  switch (mode) {
    case ViewMode::ProcessorLoad:
      return ShownView::ProcessorLoad;
    case ViewMode::TimeStep:
      return ShownView::TimeStep;
    case ViewMode::LoadOverTime:
      return ShownView::LoadOverTime;
    case ViewMode::StatisticsTable:
      break;
  }
  return ShownView::StatisticsTable;
}

// What changed, sent with the document's update to all views.
enum class UpdateHint : int {
  StatisticsChanged = 1,  // the statistics were computed anew: the table refreshes its rows
  VisibleSetChanged = 3,  // the set of visible entries changed: the stream list lists anew
  EventsAppended = 4,     // a recording added events and updated the statistics: the views take
                          // the new events in
};

}  // namespace kelvor::gui
