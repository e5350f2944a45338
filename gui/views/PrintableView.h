#pragma once

#include <functional>

class QPrinter;
class QWidget;

namespace kelvor::gui {

// A view of the left pane that prints itself: the frame's print commands go to the one shown.
class PrintableView {
 public:
  virtual ~PrintableView() = default;
  virtual void print() = 0;
  virtual void printPreview() = 0;
  virtual void printerSetup() = 0;
};

// The print commands of a view that prints on one page: the print dialog (one page only) and
// then the page, the preview ("Side view") and the page set-up.
using PagePainter = std::function<void(QPrinter&)>;
void printOnePage(QWidget* parent, QPrinter& printer, const PagePainter& paint);
void previewOnePage(QWidget* parent, QPrinter& printer, const PagePainter& paint);
void setUpPrinter(QWidget* parent, QPrinter& printer);

}  // namespace kelvor::gui
