#include "SyntheticTrace.h"

#include <array>

#include <vector>
#include "BenchSupport.h"

namespace kelvor::bench {

namespace {

constexpr std::array<std::uint16_t, 12> kProcesses = {
    0x0101, 0x0102, 0x0105, 0x0203, 0x0310, 0x12FF, 0x13FF, 0x00FE, 0xC0FF, 0xC1FF, 0x8CFF, 0x00FD};
constexpr std::array<double, 4> kClocks = {13.0, 26.0, 52.0, 104.0};
constexpr std::size_t kMaxInterruptDepth = 5;
constexpr std::uint32_t kInterruptNumbers = 24;

// The generator behind both traces: top-level activations pick from `processes`, interrupts from
// 1..kInterruptNumbers.
void appendTrace(StatisticsEngine& engine, std::size_t count, std::uint64_t seed,
                 const std::vector<std::uint16_t>& processes) {
  Random random(seed);
  engine.stream().reserve(engine.stream().size() + count);
  double time = 0.0;
  bool locked = false;
  // Open activations: process ids, then interrupt numbers marked by the high bit.
  std::vector<std::uint32_t> open;
  constexpr std::uint32_t kIrqFlag = 0x80000000u;

  auto emit = [&](EventKind kind, std::uint16_t id, std::uint32_t number, double clock) {
    time += 1e-6 * (1 + random.below(50));
    engine.append(TraceEvent(time, id, kind, number, 0, clock, 0));
  };

  for (std::size_t produced = 0; produced < count; ++produced) {
    if (open.empty()) {
      if (random.below(20) == 0) {
        emit(EventKind::CLK_SPEED, 0, 0, kClocks[random.below(kClocks.size())]);
      } else {
        const std::uint16_t id =
            processes[random.below(static_cast<std::uint32_t>(processes.size()))];
        emit(EventKind::START_PROC, id, 0, 0.0);
        open.push_back(id);
      }
      continue;
    }
    const std::uint32_t roll = random.below(100);
    const std::size_t interrupts = open.size() - 1;
    if (roll < 22 && interrupts < kMaxInterruptDepth) {
      const std::uint32_t irq = 1 + random.below(kInterruptNumbers);
      emit(EventKind::START_IRQ, 0, irq, 0.0);
      open.push_back(irq | kIrqFlag);
    } else if (roll < 60) {
      const std::uint32_t top = open.back();
      open.pop_back();
      if (top & kIrqFlag) {
        emit(EventKind::END_IRQ, 0, top & ~kIrqFlag, 0.0);
      } else {
        emit(EventKind::END_PROC, static_cast<std::uint16_t>(top), 0, 0.0);
      }
    } else if (roll < 75) {
      locked = !locked;
      emit(EventKind::SET_IRQ_LEVEL, 0, locked ? 0x83u : 0x03u, 0.0);
    } else if (roll < 80) {
      emit(EventKind::CLK_SPEED, 0, 0, kClocks[random.below(kClocks.size())]);
    } else if (roll < 90) {
      emit(EventKind::USER_MARK, static_cast<std::uint16_t>(1 + random.below(8)), 0, 0.0);
    } else {
      const bool enter = random.below(2) == 0;
      emit(enter ? EventKind::USER_ENTER : EventKind::USER_EXIT, 0, 1 + random.below(4), 0.0);
    }
  }
}

}  // namespace

void appendSyntheticTrace(StatisticsEngine& engine, std::size_t count, std::uint64_t seed) {
  appendTrace(engine, count, seed, {kProcesses.begin(), kProcesses.end()});
}

void appendSyntheticTrace(StatisticsEngine& engine, std::size_t count, std::size_t entries,
                          std::uint64_t seed) {
  const std::size_t processCount =
      entries > kInterruptNumbers + 1 ? entries - kInterruptNumbers : 1;
  std::vector<std::uint16_t> processes;
  processes.reserve(processCount);
  for (std::size_t i = 0; i < processCount; ++i) {
    // Spread over several high bytes so that processes, tasks and HISRs all occur.
    processes.push_back(static_cast<std::uint16_t>(0x0100 * (1 + i % 0xC0) + i / 0xC0));
  }
  appendTrace(engine, count, seed, processes);
}

SyntheticEngine::SyntheticEngine(std::size_t entries) {
  context.console = &console;
  engine = std::make_unique<StatisticsEngine>(context);
  if (entries == 0) {
    appendSyntheticTrace(*engine, benchEventCount());
  } else {
    appendSyntheticTrace(*engine, benchEventCount(), entries, 1);
  }
}

}  // namespace kelvor::bench
