#pragma once

#include <cstddef>
#include <cstdint>

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

}  // namespace kelvor::bench
