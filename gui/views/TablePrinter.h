#pragma once

#include <QFont>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPainter>
#include <string>
#include <vector>

#include "analysis/StatisticsEngine.h"
#include "model/ProcessTable.h"

namespace kelvor::gui {

// The page layout of a printed statistics table in device units.
struct PrintLayout {
  QFont font;
  int lineHeight = 1;   // L: the height of a text line in the scaled font
  int rowsPerPage = 1;  // table rows that fit below the title and header lines
  int pages = 1;
};

// Prints the statistics table as fixed-width text lines: on every page a title line with the
// document's path and page number, the header line and as many rows as fit.
class TablePrinter {
 public:
  TablePrinter(const StatisticsEngine* engine, const ProcessTable& names, std::string pathName);

  // Scales a fixed-pitch font so that the header line fills the printable width less room for
  // 16 blanks, and counts the pages.
  PrintLayout layoutFor(QPaintDevice& device) const;
  // Rows per page for a printable height, the line height and the bottom margin of 300 units:
  // a row is drawn while the one before it ended above the margin.
  static int rowsPerPage(int printableHeight, int lineHeight);

  // The text lines of a page (1-based): title, header, rows.
  std::vector<std::string> pageLines(int page, int rowsPerPage) const;
  void paintPage(QPainter& painter, const PrintLayout& layout, int page) const;
  // Prints every page on a printer (or any paged device), starting new pages as needed.
  void printAll(QPagedPaintDevice& device) const;

  std::size_t entryCount() const { return records_.size(); }

 private:
  std::string titleLine(int page) const;

  const ProcessTable& names_;
  std::string pathName_;
  double windowSpan_ = 0.0;
  std::vector<const ProcessStats*> records_;
};

}  // namespace kelvor::gui
