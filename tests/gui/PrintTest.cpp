#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include "GuiTestSupport.h"
#include "io/StatisticsExport.h"
#include "views/TablePrinter.h"

namespace kelvor::test {
namespace {

using gui::TablePrinter;

class PrintTest : public ::testing::Test, public SessionFixture {
 protected:
  void addEntries(int count) {
    for (int i = 0; i < count; ++i) {
      session.engine->statsFor(0x0100 + static_cast<std::uint32_t>(i));
    }
  }
};

TEST_F(PrintTest, PageLinesCarryTitleHeaderAndRows) {
  // Process 0x0200 runs 1.25 ms of a 5 ms trace; interrupt 5 is registered.
  StatisticsEngine& engine = *session.engine;
  engine.append(TraceEvent(0.0, 0x0200, EventKind::START_PROC, 0, 0, 0.0, 0));
  engine.append(TraceEvent(0.00125, 0x0200, EventKind::END_PROC, 0, 0, 0.0, 0));
  engine.append(TraceEvent(0.004, 0, EventKind::START_IRQ, 5, 0, 0.0, 0));
  engine.append(TraceEvent(0.005, 0, EventKind::END_IRQ, 5, 0, 0.0, 0));
  engine.analyse(TimeWindow::wholeTrace());
  session.processTable.store("Worker", 0x0200, 0x100, OriginIdList);

  const TablePrinter printer(&engine, session.processTable, "/data/trace.prn");
  const std::vector<std::string> lines = printer.pageLines(1, 10);
  ASSERT_EQ(lines.size(), 4u);
  const std::string& header = printedTableHeader();
  EXPECT_EQ(lines[0], "/data/trace.prn" + std::string(header.size() - 15 - 6 - 15, ' ') + "Page 1");
  EXPECT_EQ(lines[1], header);
  EXPECT_EQ(
      lines[2].substr(0, 7 + 29 + 6 + 6 + 11),
      "0x0200 " + std::string("Worker") + std::string(23, ' ') + "25.00     1 " + "   1.250ms ");
  EXPECT_EQ(lines[3].substr(0, 7), "  0x05 ");
  // A path longer than the header leaves no blanks before the page number.
  const TablePrinter longPath(&engine, session.processTable, std::string(200, 'p'));
  EXPECT_EQ(longPath.pageLines(2, 10)[0], std::string(200, 'p') + "Page 2");
}

TEST_F(PrintTest, EveryRowIsPrintedOnceAcrossThePages) {
  addEntries(5000);
  const TablePrinter printer(session.engine.get(), session.processTable, "t.run");
  const int rows = TablePrinter::rowsPerPage(6600, 50);  // 126 lines above the margin
  EXPECT_EQ(rows, 125);
  std::size_t printed = 0;
  int page = 1;
  for (;; ++page) {
    const std::size_t onPage = printer.pageLines(page, rows).size() - 2;
    if (onPage == 0) {
      break;
    }
    printed += onPage;
  }
  EXPECT_EQ(printed, 5000u);
  EXPECT_EQ(page - 1, 40);
}

TEST_F(PrintTest, PagesRenderTheScaledTableIntoAPdfAndAnImage) {
  addEntries(300);
  const TablePrinter printer(session.engine.get(), session.processTable, "t.run");
  QTemporaryDir dir;
  QPdfWriter pdf(dir.path() + "/table.pdf");
  pdf.setResolution(300);
  const gui::PrintLayout layout = printer.layoutFor(pdf);
  // The header fills the width less about 16 blanks.
  const QFontMetrics metrics(layout.font, &pdf);
  const int headerWidth = metrics.horizontalAdvance(QString::fromStdString(printedTableHeader()));
  EXPECT_GT(headerWidth, pdf.width() * 8 / 10);
  EXPECT_LE(headerWidth, pdf.width());
  EXPECT_GT(layout.pages, 1);
  printer.printAll(pdf);
  EXPECT_GT(QFileInfo(dir.path() + "/table.pdf").size(), 1000);

  QImage image(1200, 1600, QImage::Format_RGB32);
  image.fill(Qt::white);
  const gui::PrintLayout imageLayout = printer.layoutFor(image);
  {
    QPainter painter(&image);
    printer.paintPage(painter, imageLayout, 1);
  }
  // Ink on the title, header and first row lines, none left of the margin.
  const auto inkInLine = [&](int line) {
    const int top = line * imageLayout.lineHeight;
    for (int y = top; y < top + imageLayout.lineHeight; ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (qGray(image.pixel(x, y)) < 128) {
          return true;
        }
      }
    }
    return false;
  };
  EXPECT_FALSE(inkInLine(0));
  EXPECT_TRUE(inkInLine(1));
  EXPECT_TRUE(inkInLine(2));
  EXPECT_TRUE(inkInLine(3));
}

}  // namespace
}  // namespace kelvor::test
