// The time-step chart as a widget over a synthetic trace of 10,000,000 events on 200 entries
// (KELVOR_BENCH_EVENTS overrides the count): one paint of the whole 1920x1000 page into an image
// at zoom 1 (the whole trace), at a window of one millisecond and at a window of one
// microsecond in the middle of the trace, and at zoom 2, 4, 16 and 100; one horizontal scroll
// step (the chart alone on the kept image); and the walk with its raster index, as after a load.
// Runs on Qt's offscreen platform. Reports the median of several repetitions.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <memory>

#include "BenchSupport.h"
#include "GuiBenchDoubles.h"
#include "SyntheticTrace.h"
#include "app/CKelvorDoc.h"
#include "settings/SettingsBackend.h"
#include "views/CTimeStepView.h"

namespace kelvor::bench {
namespace {

constexpr std::size_t kEntries = 200;

struct Fixture {
  MemorySettingsBackend backend;
  Session session{backend};
  SilentPrompter prompter;
  NoDialogs dialogs;
  std::ostringstream console;
  std::unique_ptr<gui::CKelvorDoc> document;
  std::unique_ptr<gui::CTimeStepView> view;
  QImage image{1920, 1000, QImage::Format_RGB32};

  Fixture() {
    session.analysis.prompter = &prompter;
    session.analysis.console = &console;
    session.engine = std::make_unique<StatisticsEngine>(session.analysis);
    appendSyntheticTrace(*session.engine, benchEventCount(), kEntries, 1);
    session.engine->analyse();
    document = std::make_unique<gui::CKelvorDoc>(session, prompter, dialogs);
    view = std::make_unique<gui::CTimeStepView>(*document);
    view->resize(image.size());
    QCoreApplication::processEvents();
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

// The window of a span in seconds around the middle of the trace; 0 for the whole trace.
void showSpan(gui::CTimeStepView& view, double span) {
  const TraceBounds bounds = view.content().bounds();
  if (span <= 0.0) {
    view.showInterval(bounds.first, bounds.last);
    return;
  }
  const double middle = bounds.first + bounds.range() / 2;
  view.showInterval(middle, middle + span);
}

void BM_TimestepPaint(benchmark::State& state, double span) {
  Fixture& f = fixture();
  showSpan(*f.view, span);
  for (auto _ : state) {
    f.view->renderInto(f.image);
  }
  state.counters["zoom"] = f.view->window().zoomFactor;
  state.counters["entries"] = static_cast<double>(f.view->content().visibleEntries());
}
BENCHMARK_CAPTURE(BM_TimestepPaint, zoom1, 0.0)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_TimestepPaint, window1ms, 1e-3)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_TimestepPaint, window1us, 1e-6)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true);

// Zoom factors between the whole trace and the narrow windows, where a column holds a few
// stretches of each row.
void BM_TimestepPaintZoomed(benchmark::State& state) {
  Fixture& f = fixture();
  const TraceBounds bounds = f.view->content().bounds();
  const double span = bounds.range() / static_cast<double>(state.range(0));
  const double middle = bounds.first + bounds.range() / 2;
  f.view->showInterval(middle, middle + span);
  for (auto _ : state) {
    f.view->renderInto(f.image);
  }
  state.counters["zoom"] = f.view->window().zoomFactor;
}
BENCHMARK(BM_TimestepPaintZoomed)
    ->Arg(2)
    ->Arg(4)
    ->Arg(16)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true);

// A horizontal line step at zoom 10: the chart, the axis and the positions painted anew over
// the kept page.
void BM_TimestepPaintScrollStep(benchmark::State& state) {
  Fixture& f = fixture();
  const TraceBounds bounds = f.view->content().bounds();
  f.view->showInterval(bounds.first, bounds.first + bounds.range() / 10);
  f.view->renderInto(f.image);
  int step = 0;
  for (auto _ : state) {
    f.view->scrollHorizontally((step++ % 20) < 10 ? HorizontalScroll::LineRight
                                                  : HorizontalScroll::LineLeft);
    f.view->renderChartInto(f.image);
  }
}
BENCHMARK(BM_TimestepPaintScrollStep)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true);

// What a user waits for after a load: the walk over the stream and the raster index.
void BM_TimestepPaintContent(benchmark::State& state) {
  Fixture& f = fixture();
  gui::TimeStepContent content;
  for (auto _ : state) {
    content.rebuild(f.session, 1);
    benchmark::DoNotOptimize(content.raster());
  }
  state.counters["raster_bytes_per_event"] = static_cast<double>(content.raster()->storageBytes()) /
                                             static_cast<double>(f.session.engine->stream().size());
}
BENCHMARK(BM_TimestepPaintContent)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace
}  // namespace kelvor::bench
