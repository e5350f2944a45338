#pragma once

#include <cstdint>
#include <iostream>

#include "common/Prompter.h"
#include "settings/SettingsStore.h"

namespace kelvor {

// The program-wide state the statistics engine works with. It outlives every engine: each file
// load replaces the engine but not this.
struct AnalysisContext {
  // Read at every analysis: whether "mapping" is present decides whether "clkspeedstart" sets
  // the starting clock. May be null (the clock then carries over).
  const SettingsStore* settings = nullptr;
  // Shows the nesting warning. May be null (nothing is shown).
  Prompter* prompter = nullptr;
  // Diagnostics the user need not act on, one line each.
  std::ostream* console = &std::cout;
  // Set once the nesting warning was shown; cleared by the document before it analyses a freshly
  // loaded trace.
  bool nestingWarned = false;
  // Numbers newly registered entries; never reset while the program runs.
  std::uint32_t registeredEntries = 0;
};

}  // namespace kelvor
