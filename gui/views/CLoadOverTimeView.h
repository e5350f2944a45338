#pragma once

#include <QWidget>
#include <cstddef>
#include <memory>
#include <optional>

#include "analysis/LoadOverTime.h"
#include "app/ViewModes.h"
#include "views/LoadOverTimePainter.h"
#include "views/PrintableView.h"

class QMenu;
class QPrinter;

namespace kelvor::gui {

class CKelvorDoc;

// The load over time in the left pane: the time range and markers the time-step chart left, cut
// into intervals, with the summed load and the entries chosen in "PID Select" drawn as lines or
// stacked areas. The stretches are the time-step chart's (walked once per trace and shared with
// it); the result is computed again only when the trace, the range or the interval count
// changes, on a worker thread when that takes a noticeable moment.
class CLoadOverTimeView final : public QWidget, public PrintableView {
  Q_OBJECT
 public:
  // Intervals the context menu's dialog accepts.
  static constexpr int MaximumIntervals = 10000;

  CLoadOverTimeView(CKelvorDoc& document, QWidget* parent = nullptr);
  ~CLoadOverTimeView() override;

  // Brings the result up to date with the trace and the time-step chart's range now, instead of
  // at the next turn of the event loop.
  void updateResult();
  // The result painted; empty before the first computation and for a range without length.
  const LoadOverTime& result() const { return load_; }
  const LoadOverTimeChart& chart() const { return chart_; }
  // How many times the result was computed since the view was made.
  std::size_t computations() const { return computations_; }

  std::size_t intervalCount() const { return intervals_; }
  void setIntervalCount(std::size_t count);
  bool stacked() const { return chart_.stacked; }
  void setStacked(bool stacked);

  // The context menu: lines or stacked areas, the interval count, the visible entries.
  std::unique_ptr<QMenu> contextMenu();

  QImage renderImage(QSize size) const;
  void print() override;
  void printPreview() override;
  void printerSetup() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // What the result was computed for.
  struct Key {
    const void* stream = nullptr;
    std::size_t events = 0;
    double from = 0.0;
    double to = 0.0;
    std::size_t intervals = 0;
    bool operator==(const Key&) const = default;
  };

  void scheduleUpdate();
  void takeRange();
  void takeSeries();
  void changeVisiblePid();
  void chooseIntervals();
  void detach();
  void printOn(QPrinter& target) const;
  QPrinter& printer();

  CKelvorDoc& document_;
  LoadOverTime load_;
  LoadOverTimeChart chart_;
  std::optional<Key> computedFor_;
  std::size_t intervals_ = LoadCut::DefaultCount;
  std::size_t computations_ = 0;
  bool updatePending_ = false;
  std::unique_ptr<QPrinter> printer_;
};

}  // namespace kelvor::gui
