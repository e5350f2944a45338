// The stream list as a widget: listing a stream of 10,000,000 events (KELVOR_BENCH_EVENTS
// overrides the count) in the table view, and jumping to and painting a row anywhere in it.
// Runs on Qt's offscreen platform.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <memory>
#include <sstream>

#include "BenchSupport.h"
#include "GuiBenchDoubles.h"
#include "SyntheticTrace.h"
#include "app/CKelvorDoc.h"
#include "settings/SettingsBackend.h"
#include "views/CStreamListView.h"

namespace kelvor::bench {
namespace {

struct Fixture {
  std::ostringstream console;
  MemorySettingsBackend backend;
  Session session{backend};
  SilentPrompter prompter;
  NoDialogs dialogs;
  std::unique_ptr<gui::CKelvorDoc> document;
  std::unique_ptr<gui::CStreamListView> view;

  Fixture() {
    session.analysis.console = &console;
    session.engine = std::make_unique<StatisticsEngine>(session.analysis);
    appendSyntheticTrace(*session.engine, benchEventCount());
    session.engine->analyse(TimeWindow::wholeTrace());
    document = std::make_unique<gui::CKelvorDoc>(session, prompter, dialogs);
    view = std::make_unique<gui::CStreamListView>(*document);
    view->resize(700, 900);
    view->show();
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void BM_ListStreamInView(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    f.view->rebuildRows();
    QCoreApplication::processEvents();
  }
  state.counters["rows"] = static_cast<double>(f.view->model()->rowCount());
}
BENCHMARK(BM_ListStreamInView)->Unit(benchmark::kMillisecond);

void BM_JumpAndPaint(benchmark::State& state) {
  Fixture& f = fixture();
  f.view->rebuildRows();
  QImage image(f.view->size(), QImage::Format_RGB32);
  std::size_t target = 0;
  const std::size_t size = f.session.engine->stream().size();
  for (auto _ : state) {
    target = (target + 3'456'789) % size;
    f.view->showStreamEvent(target);
    f.view->render(&image);
  }
}
BENCHMARK(BM_JumpAndPaint)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvor::bench
