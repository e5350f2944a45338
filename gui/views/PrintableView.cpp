#include "views/PrintableView.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace kelvor::gui {

void printOnePage(QWidget* parent, QPrinter& printer, const PagePainter& paint) {
  printer.setFromTo(1, 1);
  QPrintDialog dialog(&printer, parent);
  dialog.setMinMax(1, 1);
  if (dialog.exec() != QDialog::Accepted) {
    return;
  }
  paint(printer);
}

void previewOnePage(QWidget* parent, QPrinter& printer, const PagePainter& paint) {
  QPrintPreviewDialog dialog(&printer, parent);
  dialog.setWindowTitle("Side view");
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                   [&paint](QPrinter* target) { paint(*target); });
  dialog.exec();
}

void setUpPrinter(QWidget* parent, QPrinter& printer) {
  QPageSetupDialog dialog(&printer, parent);
  dialog.exec();
}

}  // namespace kelvor::gui
