#pragma once

namespace kelvor::gui {

// A view of the left pane that prints itself: the frame's print commands go to the one shown.
class PrintableView {
 public:
  virtual ~PrintableView() = default;
  virtual void print() = 0;
  virtual void printPreview() = 0;
  virtual void printerSetup() = 0;
};

}  // namespace kelvor::gui
