#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>
#include <memory>
#include <optional>

#include "app/ViewModes.h"
#include "timestep/TimeStepFonts.h"
#include "views/PrintableView.h"
#include "views/TimeStepPainter.h"

class QMenu;
class QPrinter;

namespace kelvor::gui {

class CKelvorDoc;

// The commands of the chart's context menu, by their command ids.
enum class TimeStepCommand : int {
  SetMarker2 = 59166,
  RemoveMarker1 = 59176,
  RemoveMarker2 = 59167,
  ChangeVisiblePid = 59151,
  ZoomOutBy10 = 104,
  ZoomOutBy3 = 103,
  ZoomInBy3 = 102,
  ZoomInBy10 = 101,
  ZoomFactor = 59163,
  ZoomToMarker = 59168,
  GotoPosition = 59162,
  GotoMarker = 59165,
  SyncWithStreamList = 59169,
  DisplayFromTo = 59164,
  SetLabelFont = 59170,
  SetTitleFont = 59171,
  SortByPriority = 59172,
  SortById = 59173,
};

// The timeline in the left pane: one row per visible process, task, HISR and interrupt under
// the summary rows, with zoom, scrolling, two markers that set the analysed window, and the
// dialogs of its context menu. The stretches come from one walk per trace; a paint rasters
// only the visible window.
class CTimeStepView final : public QAbstractScrollArea, public PrintableView {
  Q_OBJECT
 public:
  CTimeStepView(CKelvorDoc& document, QWidget* parent = nullptr);
  ~CTimeStepView() override;

  const TimeStepContent& content() const { return content_; }
  const ViewWindow& window() const { return window_; }
  const Markers& markers() const { return markers_; }
  int firstRow() const { return rows_.firstRow; }
  const TimeStepPage& page() const { return page_; }
  const TimeStepFontSet& fonts() const { return fontSet_; }
  const TimeStepPaintFonts& paintFonts() const { return paintFonts_; }

  // The commands, as the context menu and the keys reach them. Point commands use the last
  // right-click point.
  void command(TimeStepCommand id);
  bool commandEnabled(TimeStepCommand id) const;
  // The context menu in its order, for the point it opens at.
  std::unique_ptr<QMenu> contextMenu(const QPoint& point);

  // Marker 1 at a point of the chart (a left double click there).
  void setMarker1At(const QPoint& point);
  // The window between two times (the "Display From/To" rule).
  void showInterval(double from, double to);

  // The page painted into an image of the given size, or over the whole of an image.
  QImage renderImage(QSize size);
  void renderInto(QImage& image);
  // What a horizontal step repaints (the chart, the axis, the positions) over an image that
  // holds the page already.
  void renderChartInto(QImage& image);
  // A horizontal scroll bar code, as the bar and the keys give it.
  void scrollHorizontally(HorizontalScroll code, int thumb = 0) { horizontalScroll(code, thumb); }

  // The page printed on one sheet.
  void printOn(QPrinter& target);
  void print() override;
  void printPreview() override;
  void printerSetup() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  enum class Dirty { None, Chart, All };

  void rebuild();
  void refresh();
  // Takes in the events a recording appended.
  void takeIn();
  void detach();
  void restoreSaved();
  void saveState();
  void setWindow(const ViewWindow& window, bool horizontalStep = false);
  void horizontalAction(int action);
  void verticalAction(int action);
  void verticalScroll(VerticalScroll code, int thumb = 0);
  void horizontalScroll(HorizontalScroll code, int thumb = 0);
  void updateScrollBars();
  void applyMarkerChange(const MarkerChange& change, bool clearSynced);
  void invalidate(Dirty level = Dirty::All);
  TimeStepFrame frame() const;
  std::optional<double> timeAt(const QPoint& point) const;
  void recomputePage();
  void zoomBy(double multiplier);
  void gotoTime(double t);
  void changeVisiblePid();
  void chooseFont(TimeStepFont which);
  void loadFonts();
  QPrinter& printer();

  CKelvorDoc& document_;
  TimeStepContent& content_;  // the document's: it outlives the chart
  TimeStepFontSet fontSet_;
  TimeStepPaintFonts paintFonts_;
  ViewWindow window_;
  Markers markers_;
  VerticalScrollState rows_;
  TimeStepPage page_;
  QPoint rightClick_;
  std::optional<double> leftPressTime_;
  std::optional<PointerReadouts> readouts_;
  bool firstPaint_ = true;
  QImage image_;
  Dirty dirty_ = Dirty::All;
  bool adjustingBars_ = false;
  std::unique_ptr<QPrinter> printer_;
};

}  // namespace kelvor::gui
