#pragma once

#include <QAbstractScrollArea>
#include <memory>

#include "app/ViewModes.h"
#include "views/LoadChartPainter.h"
#include "views/PrintableView.h"

class QPrinter;

namespace kelvor::gui {

class CKelvorDoc;

// The processor-load chart in the left pane: a scrolled chart W0 wide and 800 high whose bars
// are taken from the engine whenever the statistics change; prints itself on one page.
class CSumProcessView final : public QAbstractScrollArea, public PrintableView {
  Q_OBJECT
 public:
  CSumProcessView(CKelvorDoc& document, QWidget* parent = nullptr);
  ~CSumProcessView() override;

  // W0: the width of the scrolled chart for the current entries.
  int scrollWidth() const { return scrollWidth_; }
  const LoadChartContent& content() const { return content_; }

  // Printing, print preview and printer set-up of the chart.
  void print() override;
  void printPreview() override;
  void printerSetup() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void refreshContent();
  void updateScrollBars();
  void printOn(QPrinter& target) const;
  QPrinter& printer();

  CKelvorDoc& document_;
  LoadChartContent content_;
  LoadChartFonts fonts_ = LoadChartFonts::screen();
  int scrollWidth_ = 0;
  std::unique_ptr<QPrinter> printer_;
};

}  // namespace kelvor::gui
