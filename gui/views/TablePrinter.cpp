#include "views/TablePrinter.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <algorithm>
#include <cmath>

#include "io/StatisticsExport.h"

namespace kelvor::gui {

namespace {

constexpr int kLeft = 10;
constexpr int kBottomMargin = 300;

QFont printFont(double pointSize) {
  QFont font("Courier New");
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPointSizeF(pointSize);
  return font;
}

}  // namespace

TablePrinter::TablePrinter(const StatisticsEngine* engine, const ProcessTable& names,
                           std::string pathName)
    : names_(names), pathName_(std::move(pathName)) {
  if (engine != nullptr) {
    windowSpan_ = engine->windowSpan();
    records_.reserve(engine->statistics().size());
    for (const auto& [id, record] : engine->statistics()) {
      records_.push_back(&record);
    }
  }
}

int TablePrinter::rowsPerPage(int printableHeight, int lineHeight) {
  if (lineHeight <= 0) {
    return 1;
  }
  // Rows start at line 3; after a row at y the page ends when printableHeight < y + margin.
  const int lines = (printableHeight - kBottomMargin) / lineHeight;
  return std::max(1, lines - 1);
}

PrintLayout TablePrinter::layoutFor(QPaintDevice& device) const {
  PrintLayout layout;
  const QFont base = printFont(10.0);
  const QFontMetrics baseMetrics(base, &device);
  const int headerWidth =
      baseMetrics.horizontalAdvance(QString::fromStdString(printedTableHeader()));
  const int blanksWidth = baseMetrics.horizontalAdvance(QString(8, ' '));
  const int denominator = std::max(1, headerWidth + 2 * blanksWidth);
  // Tenths of a point, truncated.
  const double tenths = std::floor(100.0 * device.width() / denominator);
  layout.font = printFont(std::max(1.0, tenths / 10.0));
  layout.lineHeight = std::max(1, QFontMetrics(layout.font, &device).height());
  layout.rowsPerPage = rowsPerPage(device.height(), layout.lineHeight);
  const auto entries = static_cast<int>(records_.size());
  layout.pages = std::max(1, (entries + layout.rowsPerPage - 1) / layout.rowsPerPage);
  return layout;
}

std::string TablePrinter::titleLine(int page) const {
  const std::string pageText = "Page " + std::to_string(page);
  const long blanks = static_cast<long>(printedTableHeader().size()) -
                      static_cast<long>(pathName_.size()) - static_cast<long>(pageText.size()) - 15;
  return pathName_ + std::string(blanks > 0 ? static_cast<std::size_t>(blanks) : 0, ' ') + pageText;
}

std::vector<std::string> TablePrinter::pageLines(int page, int rows) const {
  std::vector<std::string> lines{titleLine(page), printedTableHeader()};
  const std::size_t first = static_cast<std::size_t>(page - 1) * static_cast<std::size_t>(rows);
  for (std::size_t i = first; i < records_.size() && i < first + static_cast<std::size_t>(rows);
       ++i) {
    lines.push_back(printedTableRow(*records_[i], names_, windowSpan_));
  }
  return lines;
}

void TablePrinter::paintPage(QPainter& painter, const PrintLayout& layout, int page) const {
  painter.setFont(layout.font);
  painter.setPen(Qt::black);
  const int ascent = QFontMetrics(layout.font, painter.device()).ascent();
  int y = layout.lineHeight;
  for (const std::string& line : pageLines(page, layout.rowsPerPage)) {
    painter.drawText(QPoint(kLeft, y + ascent), QString::fromStdString(line));
    y += layout.lineHeight;
  }
}

void TablePrinter::printAll(QPagedPaintDevice& device) const {
  const PrintLayout layout = layoutFor(device);
  QPainter painter(&device);
  for (int page = 1; page <= layout.pages; ++page) {
    if (page > 1) {
      device.newPage();
    }
    paintPage(painter, layout, page);
  }
}

}  // namespace kelvor::gui
