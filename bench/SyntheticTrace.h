#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>

#include "analysis/StatisticsEngine.h"

namespace kelvor::bench {

// Appends a deterministic synthetic trace of `count` events to the engine: processes, tasks and
// HISRs at the top level, interrupts nested in them up to five deep, clock changes, interrupt
// lock and unlock events and user marks. The same seed gives the same trace on every machine.
void appendSyntheticTrace(StatisticsEngine& engine, std::size_t count, std::uint64_t seed = 1);

// The same kind of trace over `entries` distinct entries: 24 interrupts and entries - 24
// processes, tasks and HISRs.
void appendSyntheticTrace(StatisticsEngine& engine, std::size_t count, std::size_t entries,
                          std::uint64_t seed);

// An engine holding a synthetic trace of benchEventCount() events, its console kept quiet; built
// once per benchmark program through shared().
struct SyntheticEngine {
  explicit SyntheticEngine(std::size_t entries = 0);

  std::ostringstream console;
  AnalysisContext context;
  std::unique_ptr<StatisticsEngine> engine;
};

}  // namespace kelvor::bench
