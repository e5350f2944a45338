#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QPrinter>
#include <QTemporaryDir>
#include <deque>
#include <sstream>

#include "GuiTestSupport.h"
#include "app/CKelvorDoc.h"
#include "app/CommandLine.h"
#include "app/ImageExport.h"
#include "io/RunFile.h"
#include "views/CStreamListView.h"
#include "views/CTimeStepView.h"
#include "views/TimeStepDialogs.h"

namespace kelvor::test {
namespace {

using gui::CTimeStepView;
using gui::TimeStepCommand;

// The chart's dialogs answered from a script; an unanswered dialog is cancelled.
class ScriptedTimeStepDialogs final : public gui::TimeStepDialogs {
 public:
  std::optional<double> zoomFactor(QWidget*, double current) override {
    shownZoom = current;
    return take(zoom);
  }
  std::optional<gui::GotoRequest> gotoPosition(QWidget*, double time) override {
    shownGotoTime = time;
    return take(gotos);
  }
  std::optional<DisplayInterval> displayFromTo(QWidget*, DisplayInterval current) override {
    shownInterval = current;
    return take(intervals);
  }
  gui::PidSelectResult pidSelect(QWidget*, Session& session, bool condensedView,
                                 const std::function<void(bool)>& condensedChanged) override {
    if (switchCondensed) {
      condensedChanged(!condensedView);
    }
    for (std::uint32_t id : hide) {
      session.engine->statsFor(id).visible = 0;
    }
    return gui::PidSelectResult{!hide.empty(), hide.empty() && !switchCondensed};
  }
  std::optional<QFont> font(QWidget*, const QFont&, const QString&) override { return take(fonts); }

  std::deque<double> zoom;
  std::deque<gui::GotoRequest> gotos;
  std::deque<DisplayInterval> intervals;
  std::deque<QFont> fonts;
  std::vector<std::uint32_t> hide;
  bool switchCondensed = false;
  double shownZoom = 0.0;
  double shownGotoTime = 0.0;
  DisplayInterval shownInterval;

 private:
  template <typename T>
  static std::optional<T> take(std::deque<T>& answers) {
    if (answers.empty()) {
      return std::nullopt;
    }
    T answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

constexpr std::uint32_t Alpha = 0x0200;  // priority 0x5000
constexpr std::uint32_t Beta = 0x0300;
constexpr std::uint32_t Irq5 = InterruptIdBase + 5;

class TimeStepViewTest : public ::testing::Test, public SessionFixture {
 protected:
  TimeStepViewTest() {
    session.processTable.store("Alpha", Alpha, 0x5000, OriginIdList);
    session.processTable.store("Beta", Beta, 0x9800, OriginIdList);
    session.processTable.store("Timer", Irq5, 3, OriginIdList);
    StatisticsEngine& engine = *session.engine;
    // Alpha runs 0.0-0.4 and is interrupted by IRQ 5 from 0.1 to 0.2; Beta runs 0.5-0.9.
    engine.append(TraceEvent(0.0, Alpha, EventKind::START_PROC, 0, 0, 0.0, 0));
    engine.append(TraceEvent(0.1, 0, EventKind::START_IRQ, 5, 0, 0.0, 0));
    engine.append(TraceEvent(0.2, 0, EventKind::END_IRQ, 5, 0, 0.0, 0));
    engine.append(TraceEvent(0.4, Alpha, EventKind::END_PROC, 0, 0, 0.0, 0));
    engine.append(TraceEvent(0.5, Beta, EventKind::START_PROC, 0, 0, 0.0, 0));
    engine.append(TraceEvent(0.9, Beta, EventKind::END_PROC, 0, 0, 0.0, 0));
    engine.append(TraceEvent(1.0, 0, EventKind::CLK_SPEED, 0, 0, 26.0, 0));
    engine.analyse();
    session.timeStep.resetFor(engine.stream());
    auto scripted = std::make_unique<ScriptedTimeStepDialogs>();
    timeStepDialogs = scripted.get();
    document.setTimeStepDialogs(std::move(scripted));
    document.setStreamList(&list);
    list.rebuildRows();
  }

  // The centre of the band of an entry row (0 = first entry row) and of a summary row.
  int entryRowY(const CTimeStepView& view, int row) const {
    const int summary = session.timeStep.condensedView ? 6 : 2;
    return ChartTop + view.page().rowHeight * (summary + row) + view.page().rowHeight / 2;
  }
  int summaryRowY(const CTimeStepView& view, int row) const {
    return ChartTop + view.page().rowHeight * row + view.page().rowHeight / 2;
  }
  int xOf(const CTimeStepView& view, double t) const {
    return axisFor(view.window(), view.page().chart()).timeToX(t);
  }
  QPoint pointAt(const CTimeStepView& view, double t) const {
    return QPoint(xOf(view, t), entryRowY(view, 0));
  }

  ScriptedFileDialogs fileDialogs;
  gui::CKelvorDoc document{session, prompter, fileDialogs};
  gui::CStreamListView list{document};
  ScriptedTimeStepDialogs* timeStepDialogs = nullptr;
};

QRgb rgb(Rgb c) {
  return qRgb(c.r, c.g, c.b);
}

TEST_F(TimeStepViewTest, RowsShowStatesInPriorityColoursBelowTheSummaryRows) {
  CTimeStepView view(document);
  view.resize(1200, 700);
  const QImage image = view.renderImage(view.viewport()->size());
  const int labelX = 12;
  const QRgb olive = qRgb(125, 125, 0);

  // Condensed: the four class rows, then the user rows, then Alpha, Beta and the interrupt.
  EXPECT_EQ(image.pixel(labelX, summaryRowY(view, 0)), rgb(timestep_colours::ClassLabel));
  EXPECT_EQ(image.pixel(labelX, summaryRowY(view, 4)), rgb(timestep_colours::UserLabel));
  EXPECT_EQ(image.pixel(labelX, entryRowY(view, 0)), olive);
  EXPECT_EQ(image.pixel(labelX, entryRowY(view, 2)), qRgb(25, 118, 255));
  // Alpha runs, is interrupted on its even row, and runs again; the interrupt row runs meanwhile.
  EXPECT_EQ(image.pixel(xOf(view, 0.05), entryRowY(view, 0) + 2), olive);
  EXPECT_EQ(image.pixel(xOf(view, 0.15), entryRowY(view, 0) + 2), qRgb(180, 180, 180));
  EXPECT_EQ(image.pixel(xOf(view, 0.30), entryRowY(view, 0) + 2), olive);
  EXPECT_EQ(image.pixel(xOf(view, 0.15), entryRowY(view, 2) + 2), qRgb(25, 118, 255));
  EXPECT_EQ(image.pixel(xOf(view, 0.45), entryRowY(view, 0) + 2),
            rgb(timestep_colours::ChartBackground));
  // The class row of processes shows Alpha's running stretch in its colour.
  EXPECT_EQ(image.pixel(xOf(view, 0.05), summaryRowY(view, 0) + 2), olive);

  // Without the class rows the user run-time row comes first and the entries move up.
  session.timeStep.condensedView = false;
  const QImage plain = view.renderImage(view.viewport()->size());
  EXPECT_EQ(plain.pixel(labelX, summaryRowY(view, 0)), rgb(timestep_colours::UserLabel));
  EXPECT_EQ(plain.pixel(labelX, summaryRowY(view, 2)), olive);
}

TEST_F(TimeStepViewTest, MarkersSetTheAnalysedWindowAndTheStreamListMarks) {
  CTimeStepView view(document);
  view.resize(1200, 700);
  view.setMarker1At(pointAt(view, 0.3));
  ASSERT_TRUE(view.markers().marker1.set);
  EXPECT_NEAR(view.markers().marker1.time, 0.3, 0.005);
  // Marker 1 alone keeps the whole trace analysed.
  EXPECT_DOUBLE_EQ(session.engine->windowStart(), 0.0);
  EXPECT_DOUBLE_EQ(session.engine->windowEnd(), 1.0);
  // Its event (the first at or after it: Alpha's end) is the marked row, and the list shows it.
  ASSERT_TRUE(session.timeStep.marker1Event);
  EXPECT_DOUBLE_EQ(*session.timeStep.marker1Event, 0.4);
  EXPECT_TRUE(session.timeStep.streamSynced);
  EXPECT_TRUE(list.listModel().data(list.listModel().index(3, 0)).toString().contains("MARKER_1"));

  // Marker 2 before marker 1: the statistics are those between them, the earlier first.
  view.contextMenu(pointAt(view, 0.05));
  view.command(TimeStepCommand::SetMarker2);
  ASSERT_TRUE(view.markers().bothSet());
  EXPECT_NEAR(session.engine->windowStart(), 0.05, 0.005);
  EXPECT_NEAR(session.engine->windowEnd(), 0.3, 0.005);
  EXPECT_TRUE(view.commandEnabled(TimeStepCommand::ZoomToMarker));
  view.command(TimeStepCommand::ZoomToMarker);
  EXPECT_NEAR(view.window().viewStart, 0.05, 0.005);
  EXPECT_NEAR(view.window().viewSpan, 0.25, 0.01);

  // Removing a marker analyses the whole trace again and rests the marker at the last event.
  view.command(TimeStepCommand::RemoveMarker1);
  EXPECT_FALSE(view.markers().marker1.set);
  EXPECT_DOUBLE_EQ(view.markers().marker1.time, 1.0);
  EXPECT_DOUBLE_EQ(session.engine->windowStart(), 0.0);
  EXPECT_DOUBLE_EQ(session.engine->windowEnd(), 1.0);
  EXPECT_FALSE(view.commandEnabled(TimeStepCommand::RemoveMarker1));
  EXPECT_FALSE(view.commandEnabled(TimeStepCommand::ZoomToMarker));

  // A point outside the chart sets no marker.
  view.contextMenu(QPoint(2, 2));
  view.command(TimeStepCommand::SetMarker2);
  EXPECT_TRUE(view.markers().marker2.set);
  EXPECT_NEAR(view.markers().marker2.time, 0.05, 0.005);
}

TEST_F(TimeStepViewTest, ContextMenuInItsOrderWithTheSortCheckMark) {
  CTimeStepView view(document);
  view.resize(1200, 700);
  const std::unique_ptr<QMenu> menu = view.contextMenu(pointAt(view, 0.5));
  QStringList texts;
  for (const QAction* action : menu->actions()) {
    texts << (action->isSeparator() ? QString("-") : action->text());
  }
  EXPECT_EQ(texts, (QStringList{"Set marker 2",
                                "Remove marker 1",
                                "Remove marker 2",
                                "-",
                                "Change visible PID...",
                                "-",
                                "Zoom out by 10",
                                "Zoom out by 3",
                                "Zoom in by 3",
                                "Zoom in by 10",
                                "Zoom factor...",
                                "Zoom to marker",
                                "-",
                                "Goto Position...",
                                "Goto Marker",
                                "Sync. with Stream-List",
                                "-",
                                "Display from/to...",
                                "-",
                                "Set Label Font...",
                                "Set Titel Font...",
                                "-",
                                "Sort by priority",
                                "Sort by CepID"}));
  const auto actionNamed = [&](const QString& text) {
    for (QAction* action : menu->actions()) {
      if (action->text() == text) {
        return action;
      }
    }
    return static_cast<QAction*>(nullptr);
  };
  EXPECT_FALSE(actionNamed("Remove marker 1")->isEnabled());
  EXPECT_FALSE(actionNamed("Zoom to marker")->isEnabled());
  EXPECT_TRUE(actionNamed("Sort by CepID")->isChecked());
  EXPECT_FALSE(actionNamed("Sort by priority")->isChecked());

  // By priority: interrupts first, then the rest by priority.
  actionNamed("Sort by priority")->trigger();
  EXPECT_EQ(session.timeStep.sortMode, 0);
  ASSERT_EQ(view.content().order().size(), 3u);
  EXPECT_EQ(view.content().order().entryAt(0), Irq5);
  EXPECT_EQ(view.content().order().entryAt(1), Alpha);
  EXPECT_TRUE(view.contextMenu(pointAt(view, 0.5))->actions().at(22)->isChecked());
}

TEST_F(TimeStepViewTest, ZoomGotoDisplayAndSyncMoveTheWindowAndTheList) {
  CTimeStepView view(document);
  view.resize(1200, 700);
  view.command(TimeStepCommand::ZoomInBy10);
  view.command(TimeStepCommand::ZoomOutBy3);
  view.command(TimeStepCommand::ZoomOutBy3);
  EXPECT_NEAR(view.window().zoomFactor, 10.0 / 9.0, 1e-12);

  timeStepDialogs->zoom = {4.0, -1.0};
  view.command(TimeStepCommand::ZoomFactor);
  EXPECT_DOUBLE_EQ(timeStepDialogs->shownZoom, 10.0 / 9.0);
  EXPECT_DOUBLE_EQ(view.window().zoomFactor, 4.0);
  view.command(TimeStepCommand::ZoomFactor);  // a negative factor changes nothing
  EXPECT_DOUBLE_EQ(view.window().zoomFactor, 4.0);

  timeStepDialogs->intervals = {DisplayInterval{0.5, 0.2}};
  view.command(TimeStepCommand::DisplayFromTo);
  EXPECT_DOUBLE_EQ(view.window().viewStart, 0.2);
  EXPECT_DOUBLE_EQ(view.window().viewSpan, 0.3);

  // Goto a time: the span stays, centred on it; the list selects the event at or after it.
  timeStepDialogs->gotos = {gui::GotoRequest{gui::GotoMode::Time, 0.45}};
  view.command(TimeStepCommand::GotoPosition);
  EXPECT_DOUBLE_EQ(timeStepDialogs->shownGotoTime, 0.35);
  EXPECT_NEAR(view.window().viewStart, 0.3, 1e-12);
  ASSERT_FALSE(list.selectionModel()->selectedRows().isEmpty());
  EXPECT_EQ(list.selectionModel()->selectedRows().front().row(), 4);
  // Goto a row: its start time centres the window.
  timeStepDialogs->gotos = {gui::GotoRequest{gui::GotoMode::Position, 1.7}};
  view.command(TimeStepCommand::GotoPosition);
  EXPECT_EQ(list.selectionModel()->selectedRows().front().row(), 1);
  EXPECT_DOUBLE_EQ(view.window().viewStart, 0.0);  // centred on 0.1, clamped to the trace

  view.command(TimeStepCommand::DisplayFromTo);  // cancelled: nothing moves
  const QPoint at = pointAt(view, view.window().viewStart + view.window().viewSpan * 0.9);
  view.contextMenu(at);
  session.timeStep.streamSynced = false;
  view.command(TimeStepCommand::SyncWithStreamList);
  EXPECT_TRUE(session.timeStep.streamSynced);
  EXPECT_EQ(list.selectionModel()->selectedRows().front().row(), 3);
}

TEST_F(TimeStepViewTest, VisibleSetAndCondensedSwitchFromPidSelect) {
  CTimeStepView view(document);
  view.resize(1200, 700);
  const std::size_t listed = list.listModel().listedCount();
  timeStepDialogs->hide = {Beta};
  view.command(TimeStepCommand::ChangeVisiblePid);
  EXPECT_EQ(view.content().visibleEntries(), 2u);
  // Beta's start and end leave the list.
  EXPECT_LE(list.listModel().listedCount(), listed - 2);

  // The condensed switch takes effect even though the dialog is cancelled.
  timeStepDialogs->hide.clear();
  timeStepDialogs->switchCondensed = true;
  view.command(TimeStepCommand::ChangeVisiblePid);
  EXPECT_FALSE(session.timeStep.condensedView);
  EXPECT_FALSE(session.engine->find(Beta)->visible);
}

TEST_F(TimeStepViewTest, ChosenLabelFontIsStoredAndSetsTheRowHeight) {
  auto stored = std::make_shared<MemorySettingsBackend>();
  document.setFontBackends([stored](TimeStepFont font) -> std::unique_ptr<SettingsBackend> {
    if (font != TimeStepFont::Label) {
      return std::make_unique<MemorySettingsBackend>();
    }
    // Every open of Font1 sees what was stored before.
    struct Forward final : SettingsBackend {
      explicit Forward(std::shared_ptr<MemorySettingsBackend> b) : inner(std::move(b)) {}
      SettingsValues readAll() override { return inner->readAll(); }
      bool writeAll(const SettingsValues& v) override { return inner->writeAll(v); }
      std::shared_ptr<MemorySettingsBackend> inner;
    };
    return std::make_unique<Forward>(stored);
  });
  CTimeStepView view(document);
  view.resize(1200, 700);
  EXPECT_EQ(view.fonts()[TimeStepFont::Label].faceName, "Courier New");
  EXPECT_EQ(view.fonts()[TimeStepFont::Label].height, -12);
  const int before = view.page().rowHeight;

  QFont large("DejaVu Sans");
  large.setPixelSize(30);
  timeStepDialogs->fonts = {large};
  view.command(TimeStepCommand::SetLabelFont);
  EXPECT_EQ(view.fonts()[TimeStepFont::Label].height, -30);
  EXPECT_GT(view.page().rowHeight, before);
  CTimeStepView next(document);
  EXPECT_EQ(next.fonts()[TimeStepFont::Label].height, -30);
}

TEST_F(TimeStepViewTest, ANewChartStartsOnTheWholeTraceAndKeepsNothingOfTheLast) {
  {
    CTimeStepView view(document);
    view.resize(1200, 700);
    view.command(TimeStepCommand::ZoomInBy10);
    view.setMarker1At(pointAt(view, 0.05));
    EXPECT_TRUE(session.timeStep.saved.markers.marker1.set);
  }
  CTimeStepView view(document);
  EXPECT_DOUBLE_EQ(view.window().zoomFactor, 1.0);
  EXPECT_FALSE(view.markers().marker1.set);
}

TEST_F(TimeStepViewTest, PrintsOnePageWithTheChart) {
  QTemporaryDir dir;
  CTimeStepView view(document);
  view.resize(1200, 700);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("chart.pdf"));
  printer.setPageOrientation(QPageLayout::Landscape);
  view.printOn(printer);
  QFile pdf(dir.filePath("chart.pdf"));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  const QByteArray bytes = pdf.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r"), 1) << "one page";
}

TEST_F(TimeStepViewTest, AChartShownAgainTakesTheStretchesOfTheLastOne) {
  const TimeStepRaster* first = nullptr;
  {
    CTimeStepView view(document);
    first = view.content().raster();
    ASSERT_NE(first, nullptr);
  }
  CTimeStepView again(document);
  EXPECT_EQ(again.content().raster(), first);  // not walked anew
  EXPECT_EQ(again.content().visibleEntries(), 3u);
  // Another stream length is another trace: walked anew.
  session.engine->append(TraceEvent(1.5, Beta, EventKind::START_PROC, 0, 0, 0.0, 0));
  CTimeStepView longer(document);
  EXPECT_EQ(longer.content().eventCount(), 8u);
}

TEST_F(TimeStepViewTest, AnEmptyTracePaintsNothingButTheBackground) {
  session.engine = std::make_unique<StatisticsEngine>(session.analysis);
  CTimeStepView view(document);
  const QImage image = view.renderImage(QSize(400, 300));
  EXPECT_EQ(image.pixel(200, 150), qRgb(255, 255, 255));
  view.command(TimeStepCommand::ZoomInBy10);
  view.command(TimeStepCommand::SyncWithStreamList);
}

// A million nested starts (each entry nested in itself ten thousand times) walk and paint at
// any zoom without running out of stack.
TEST(TimeStepViewDeepTest, MillionNestedStartsPaint) {
  SessionFixture fixture;
  std::ostringstream console;
  fixture.session.analysis.console = &console;
  StatisticsEngine& engine = *fixture.session.engine;
  constexpr std::size_t Starts = 1'000'000;
  engine.stream().reserve(Starts);
  for (std::size_t i = 0; i < Starts; ++i) {
    engine.append(TraceEvent(static_cast<double>(i) * 1e-6,
                             static_cast<std::uint16_t>(0x0100 + i % 100), EventKind::START_PROC, 0,
                             0, 0.0, 0));
  }
  ScriptedFileDialogs dialogs;
  gui::CKelvorDoc document(fixture.session, fixture.prompter, dialogs);
  CTimeStepView view(document);
  view.resize(1000, 600);
  EXPECT_EQ(view.content().visibleEntries(), 100u);
  for (const double span : {0.0, 1e-3, 1e-6}) {
    if (span > 0.0) {
      view.showInterval(0.5, 0.5 + span);
    }
    const QImage image = view.renderImage(QSize(1000, 600));
    // The first entry's row runs at the window's start (or stands interrupted by its nested
    // starts): either way it is not the bare chart background.
    const int y = ChartTop + view.page().rowHeight * 6 + view.page().rowHeight / 2;
    EXPECT_NE(image.pixel(view.page().chart().left + 1, y), rgb(timestep_colours::ChartBackground))
        << span;
  }
}

TEST(DesktopArgumentsTest, PictureOptionsAndTheirErrors) {
  QString error;
  const auto parsed = gui::parseDesktopArguments(
      {"--config", "a.ini", "--view", "timestep", "--window", "0.5", "0.2", "--size", "800x600",
       "--save-image", "out.png", "trace.prn"},
      error);
  ASSERT_TRUE(parsed) << error.toStdString();
  EXPECT_EQ(parsed->configFile, "a.ini");
  EXPECT_EQ(parsed->view, gui::ViewMode::TimeStep);
  EXPECT_EQ(parsed->window, TimeWindow::between(0.2, 0.5));
  EXPECT_EQ(parsed->size, QSize(800, 600));
  EXPECT_EQ(parsed->imageFile, "out.png");
  EXPECT_EQ(parsed->traceFile, "trace.prn");
  ASSERT_TRUE(gui::parseDesktopArguments({"trace.prn"}, error));

  const std::vector<QStringList> refused = {
      {"--view", "pie", "--save-image", "o.png", "t.prn"},
      {"--size", "800", "--save-image", "o.png", "t.prn"},
      {"--size", "0x10", "--save-image", "o.png", "t.prn"},
      {"--window", "1", "--save-image", "o.png", "t.prn"},
      {"--window", "a", "b", "--save-image", "o.png", "t.prn"},
      {"--save-image", "o.png"},
      {"--view", "percent", "t.prn"},
      {"--unknown", "t.prn"},
      {"a.prn", "b.prn"},
      {"--config"},
  };
  for (const QStringList& arguments : refused) {
    error.clear();
    EXPECT_FALSE(gui::parseDesktopArguments(arguments, error)) << arguments.join(' ').toStdString();
    EXPECT_FALSE(error.isEmpty());
  }
}

TEST_F(TimeStepViewTest, SaveImageWritesEachViewOrFails) {
  QTemporaryDir dir;
  const QString trace = dir.filePath("trace.run");
  ASSERT_EQ(RunFile::write(*session.engine, session.processTable, trace.toStdString()), 0);

  gui::ImageRequest request;
  request.traceFile = trace;
  request.size = QSize(640, 480);
  for (const gui::ViewMode view : {gui::ViewMode::StatisticsTable, gui::ViewMode::ProcessorLoad,
                                   gui::ViewMode::TimeStep, gui::ViewMode::LoadOverTime}) {
    request.view = view;
    request.imageFile = dir.filePath(QString("view%1.png").arg(static_cast<int>(view)));
    ASSERT_EQ(gui::saveViewImage(document, request), gui::ImageStatus::Written);
    const QImage written(request.imageFile);
    EXPECT_EQ(written.size(), request.size);
  }
  // The time-step chart of a window shows it, and the statistics are those of the window.
  request.window = TimeWindow::between(0.5, 0.9);
  request.imageFile = dir.filePath("window.png");
  ASSERT_EQ(gui::saveViewImage(document, request), gui::ImageStatus::Written);
  EXPECT_DOUBLE_EQ(session.engine->windowStart(), 0.5);
  EXPECT_DOUBLE_EQ(session.engine->windowEnd(), 0.9);

  request.imageFile = dir.filePath("no/such/folder/out.png");
  EXPECT_EQ(gui::saveViewImage(document, request), gui::ImageStatus::Failed);
  request.traceFile = dir.filePath("missing.prn");
  request.imageFile = dir.filePath("missing.png");
  EXPECT_EQ(gui::saveViewImage(document, request), gui::ImageStatus::Failed);
  EXPECT_FALSE(QFileInfo::exists(request.imageFile));
}

}  // namespace
}  // namespace kelvor::test
