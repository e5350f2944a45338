#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include "GuiTestSupport.h"
#include "app/CKelvorDoc.h"
#include "views/CSumProcessView.h"
#include "views/LoadChartPainter.h"

namespace kelvor::test {
namespace {

using gui::LoadChartContent;

const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);

class ProcessorLoadViewTest : public ::testing::Test, public SessionFixture {
 protected:
  // One-second trace of `entries` processes; the first runs a quarter of it.
  void addProcesses(int entries) {
    StatisticsEngine& engine = *session.engine;
    for (int i = 0; i < entries; ++i) {
      const auto id = static_cast<std::uint16_t>(0x0200 + i);
      const double start = i == 0 ? 0.0 : 0.5 + 0.001 * i;
      const double end = i == 0 ? 0.25 : start + 0.0005;
      engine.append(TraceEvent(start, id, EventKind::START_PROC, 0, 0, 0.0, 0));
      engine.append(TraceEvent(end, id, EventKind::END_PROC, 0, 0, 0.0, 0));
    }
    engine.append(TraceEvent(1.0, 0, EventKind::CLK_SPEED, 0, 0, 26.0, 0));
    engine.analyse(TimeWindow::wholeTrace());
  }
  LoadChartContent content() const {
    const EntryNaming naming(session.processTable, nullptr, RunNameUse{});
    return LoadChartContent{true, session.engine->statistics().size(),
                            loadChartBars(*session.engine, naming)};
  }
  static QImage render(const LoadChartContent& chart, int width, int height, int dpi = 96) {
    QImage image(width, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(static_cast<int>(dpi / 0.0254 + 0.5));
    image.setDotsPerMeterY(static_cast<int>(dpi / 0.0254 + 0.5));
    image.fill(White);
    QPainter painter(&image);
    gui::paintLoadChart(painter, chart, width, height, gui::LoadChartFonts::screen(), image.rect());
    return image;
  }
  static bool hasColour(const QImage& image, const QRect& area, QRgb colour) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) {
        if (image.pixel(x, y) == colour) {
          return true;
        }
      }
    }
    return false;
  }

  ScriptedFileDialogs dialogs;
  gui::CKelvorDoc document{session, prompter, dialogs};
};

TEST_F(ProcessorLoadViewTest, WorkedExampleBarTopEdgeAndLabel) {
  addProcesses(9);                   // bar 1 (after CPU-Load) is a quarter
  session.engine->statsFor(0x0300);  // a tenth entry, without run time: no bar
  const LoadChartContent chart = content();
  ASSERT_EQ(chart.entryCount, 10u);
  ASSERT_EQ(chart.bars[1].percentText, "25.00");
  const QImage image = render(chart, 700, 700);

  // Bar 1 covers x 113..165 and y 405..498: black outline, light yellow inside.
  EXPECT_EQ(image.pixel(135, 405), Black);
  EXPECT_EQ(image.pixel(118, 404), White);
  EXPECT_EQ(image.pixel(135, 450), qRgb(255, 255, 128));
  EXPECT_EQ(image.pixel(113, 450), Black);
  EXPECT_EQ(image.pixel(135, 498), Black);
  // The CPU-Load bar before it is light blue.
  EXPECT_EQ(image.pixel(85, 480), qRgb(192, 192, 255));
  // The red percent label stands above the bar, not inside it.
  EXPECT_TRUE(hasColour(image, QRect(113, 300, 53, 100), qRgb(255, 0, 0)));
  EXPECT_FALSE(hasColour(image, QRect(114, 406, 51, 90), qRgb(255, 0, 0)));
  // Axes: the vertical one at x0 = 59, the base at 500; the grey grid line of 50 % at 310.
  EXPECT_TRUE(image.pixel(59, 300) == Black || image.pixel(58, 300) == Black);
  EXPECT_TRUE(image.pixel(400, 500) == Black || image.pixel(400, 499) == Black);
  EXPECT_EQ(image.pixel(640, 310), qRgb(200, 200, 200));
  // Skipped entries take no place: bar 9 is the last one, bar 10 is not drawn.
  EXPECT_EQ(chart.bars.size(), 10u);
  EXPECT_EQ(image.pixel(60 + 10 * 53 + 20, 497), White);
}

TEST_F(ProcessorLoadViewTest, AnEmptyStreamDrawsNothing) {
  gui::CSumProcessView view(document);
  view.resize(700, 700);
  EXPECT_FALSE(view.content().hasData);
  QImage image(view.viewport()->size(), QImage::Format_RGB32);
  image.fill(qRgb(1, 2, 3));
  view.viewport()->render(&image);
  const QRgb background = image.pixel(0, 0);
  EXPECT_NE(background, qRgb(1, 2, 3));
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      ASSERT_EQ(image.pixel(x, y), background) << x << "," << y;
    }
  }
}

TEST_F(ProcessorLoadViewTest, ScrollWidthFollowsTheEntriesOfEachLoad) {
  addProcesses(10);
  gui::CSumProcessView view(document);
  view.resize(400, 500);
  EXPECT_TRUE(view.content().hasData);
  EXPECT_EQ(view.scrollWidth(), 700);
  EXPECT_EQ(view.horizontalScrollBar()->maximum(), 700 - view.viewport()->width());
  EXPECT_EQ(view.verticalScrollBar()->maximum(), 800 - view.viewport()->height());

  // A load installs a new engine with 26 entries: the view reads it anew.
  emit document.viewsDetach();
  EXPECT_FALSE(view.content().hasData);
  session.engine = std::make_unique<StatisticsEngine>(session.analysis);
  addProcesses(26);
  emit document.viewsRebuild();
  EXPECT_EQ(view.content().entryCount, 26u);
  EXPECT_EQ(view.scrollWidth(), 780);
}

TEST_F(ProcessorLoadViewTest, ThePrintedPageShowsThePathAndTheChartOnTenEleventhsOfIt) {
  addProcesses(9);
  session.engine->statsFor(0x0300);
  QImage page(1170, 1100, QImage::Format_RGB32);  // 300 dpi
  page.setDotsPerMeterX(11811);
  page.setDotsPerMeterY(11811);
  page.fill(White);
  {
    QPainter painter(&page);
    gui::paintLoadChartPage(painter, content(), "/data/trace.prn");
  }
  // W 1170, H 1000: x0 100, base 714, h100 543, B 89; bar 1 from x 190, top 714 - 135.75.
  EXPECT_EQ(page.pixel(230, 578), Black);
  EXPECT_EQ(page.pixel(230, 577), White);
  EXPECT_EQ(page.pixel(230, 650), qRgb(255, 255, 128));
  // The path at the top left, above the title.
  EXPECT_TRUE(hasColour(page, QRect(0, 0, 200, 20), Black));
}

}  // namespace
}  // namespace kelvor::test
