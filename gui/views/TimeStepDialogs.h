#pragma once

#include <QFont>
#include <QWidget>
#include <functional>
#include <optional>

#include "app/GuiPrompter.h"
#include "session/Session.h"
#include "timestep/TimeStepNavigation.h"

namespace kelvor::gui {

// What "Goto Position" asks for: a time, or a row of the stream list.
enum class GotoMode : int { Position = 0, Time = 1 };
struct GotoRequest {
  GotoMode mode = GotoMode::Time;
  double value = 0.0;
};

// What the "PID Select" dialog reports when it closes.
struct PidSelectResult {
  bool accepted = false;           // OK (the visible flags were written) or Cancel
  bool selectionUnchanged = true;  // no button changed anything while it was open
};

// The small dialogs of the time-step chart. The desktop shows modal dialogs; tests answer from a
// script. Every function returns nothing when the dialog is cancelled.
class TimeStepDialogs {
 public:
  virtual ~TimeStepDialogs() = default;
  // "Zoom": opens with the current factor; returns the number entered.
  virtual std::optional<double> zoomFactor(QWidget* parent, double current) = 0;
  // "Goto Position": opens in the mode of the last run (time at first) with `time`.
  virtual std::optional<GotoRequest> gotoPosition(QWidget* parent, double time) = 0;
  // "Display From/To": opens with the current window.
  virtual std::optional<DisplayInterval> displayFromTo(QWidget* parent,
                                                       DisplayInterval current) = 0;
  // "PID Select": edits the engine's visible flags; `condensedChanged` is called at once when
  // "Condensed Thread View Visible" is switched (Cancel does not undo it).
  virtual PidSelectResult pidSelect(QWidget* parent, Session& session, bool condensedView,
                                    const std::function<void(bool)>& condensedChanged) = 0;
  // "Set Label Font..." / "Set Titel Font...": the font dialog on the current font.
  virtual std::optional<QFont> font(QWidget* parent, const QFont& current,
                                    const QString& title) = 0;
};

// The modal Qt dialogs.
class QtTimeStepDialogs final : public TimeStepDialogs {
 public:
  // A number that is not one is refused with a message box ...
  QtTimeStepDialogs();
  // ... or through the given prompter.
  explicit QtTimeStepDialogs(Prompter& prompter);
  QtTimeStepDialogs(const QtTimeStepDialogs&) = delete;
  QtTimeStepDialogs& operator=(const QtTimeStepDialogs&) = delete;

  std::optional<double> zoomFactor(QWidget* parent, double current) override;
  std::optional<GotoRequest> gotoPosition(QWidget* parent, double time) override;
  std::optional<DisplayInterval> displayFromTo(QWidget* parent, DisplayInterval current) override;
  PidSelectResult pidSelect(QWidget* parent, Session& session, bool condensedView,
                            const std::function<void(bool)>& condensedChanged) override;
  std::optional<QFont> font(QWidget* parent, const QFont& current, const QString& title) override;

 private:
  MessageBoxPrompter boxes_;
  Prompter* prompter_;
  GotoMode lastGotoMode_ = GotoMode::Time;
};

}  // namespace kelvor::gui
