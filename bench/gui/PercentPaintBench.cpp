// The processor-load chart as a widget: 5,000 entries (KELVOR_BENCH_ENTRIES overrides the
// count), each with a bar, painted into a 1920x1000 image at the start, in the middle and at the
// end of the scrolled chart; the whole chart in that image; and the bars taken anew from the
// engine, as after every analysis.
// Runs on Qt's offscreen platform. Reports the median of several repetitions.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <memory>

#include "BenchSupport.h"
#include "GuiBenchDoubles.h"
#include "app/CKelvorDoc.h"
#include "settings/SettingsBackend.h"
#include "views/CSumProcessView.h"

namespace kelvor::bench {
namespace {

struct Fixture {
  MemorySettingsBackend backend;
  Session session{backend};
  SilentPrompter prompter;
  NoDialogs dialogs;
  std::unique_ptr<gui::CKelvorDoc> document;
  std::unique_ptr<gui::CSumProcessView> view;
  QImage image{1920, 1000, QImage::Format_RGB32};

  Fixture() {
    session.analysis.prompter = &prompter;
    session.engine = std::make_unique<StatisticsEngine>(session.analysis);
    // One activation per process, one after the other: every entry has the same share.
    const auto entries = countFromEnvironment("KELVOR_BENCH_ENTRIES", 5000);
    for (std::uint64_t i = 0; i < entries; ++i) {
      const auto id = static_cast<std::uint16_t>(0x0100 + i);
      const double start = 0.001 * static_cast<double>(i);
      session.engine->append(TraceEvent(start, id, EventKind::START_PROC, 0, 0, 0.0, 0));
      session.engine->append(TraceEvent(start + 0.001, id, EventKind::END_PROC, 0, 0, 0.0, 0));
    }
    document = std::make_unique<gui::CKelvorDoc>(session, prompter, dialogs);
    view = std::make_unique<gui::CSumProcessView>(*document);
    view->resize(image.size());
    view->show();
    QCoreApplication::processEvents();
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

// Paints the chart scrolled to a fraction of its width (0, 1/2, 1).
void BM_PercentPaint(benchmark::State& state) {
  Fixture& f = fixture();
  QScrollBar* bar = f.view->horizontalScrollBar();
  bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * state.range(0) / 2));
  for (auto _ : state) {
    f.view->render(&f.image);
  }
  state.counters["bars"] = static_cast<double>(f.view->content().bars.size());
  state.counters["scrollWidth"] = f.view->scrollWidth();
}
BENCHMARK(BM_PercentPaint)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->DisplayAggregatesOnly(true);

// The whole chart squeezed into the image (as a printed page is): every bar and every label of
// all the entries in 1920 columns, the worst case of one paint.
void BM_PercentPaintWholeChart(benchmark::State& state) {
  Fixture& f = fixture();
  const gui::LoadChartFonts fonts = gui::LoadChartFonts::screen();
  for (auto _ : state) {
    f.image.fill(Qt::white);
    QPainter painter(&f.image);
    gui::paintLoadChart(painter, f.view->content(), f.image.width(), f.image.height(), fonts,
                        f.image.rect());
  }
}
BENCHMARK(BM_PercentPaintWholeChart)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->DisplayAggregatesOnly(true);

// The bar list after an analysis: shares, percent texts and names of every entry.
void BM_PercentBarsFromEngine(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    f.document->updateAllViews(gui::UpdateHint::StatisticsChanged);
  }
}
BENCHMARK(BM_PercentBarsFromEngine)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->DisplayAggregatesOnly(true);

}  // namespace
}  // namespace kelvor::bench
