#pragma once

#include <cstdint>

namespace kelvor {

// Row number of a record that no event registered (created on demand by the analysis or a view).
inline constexpr std::uint32_t NoRow = 60000;

// Classes of entries, from the bit pattern of their ids.
enum EntryClass : std::uint32_t {
  ProcessClass = 1,
  TaskClass = 2,
  HisrClass = 3,
  InterruptClass = 5,
};

// The class of an entry id: interrupts are 5; for 16-bit process ids the low byte and, for ids
// ending in 0xFF, the id range tell processes (1), tasks (2) and HISRs (3) apart.
std::uint32_t entryClassFor(std::uint32_t entryId);

// Run-time statistics of one entry (process, task, HISR or interrupt). Field order is part of the
// model. Every statistic starts at the value given here and returns to it on a reset.
struct ProcessStats {
  std::uint8_t userActive = 0;  // inside a user-marked section
  std::uint32_t id = 0;         // the entry id
  std::uint32_t row = NoRow;    // order of first appearance
  std::uint8_t visible = 0;     // shown by the stream list and the timeline
  std::uint32_t entryClass = 0;

  std::uint32_t calls = 0;       // finished activations charged
  double totalWithInt = 0.0;     // gross time, nested activations included (s)
  double totalWithoutInt = 0.0;  // net time (s)
  double minWithInt = 999999.0;
  double minWithoutInt = 999999.0;
  double maxWithInt = 0.0;
  double maxWithoutInt = 0.0;
  std::uint32_t maxNested = 0;  // most activations nested directly in one activation
  std::uint32_t minNested = 999999;
  std::uint32_t totalNested = 0;
  double minClock = 999999.0;  // MHz
  double maxClock = 0.0;
  double meanClock = 0.0;  // clockTime / totalWithoutInt
  double clockTime = 0.0;  // sum of net time x mean clock (MHz s)

  // Timer and message groups: shown by the statistics table ("Act Tim", "Got Tim", "SendMes",
  // "ReceMes"). No trace source fills them; the analysis only resets them.
  std::uint32_t timA = 0;
  std::uint32_t timB = 99;
  std::uint32_t actTim = 0;
  std::uint32_t gotTim = 0;
  std::uint32_t mesA = 0;
  std::uint32_t mesB = 99;
  std::uint32_t sendMes = 0;
  std::uint32_t receMes = 0;

  // Every statistic back to its initial value and userActive to 0; id, row, visible and class
  // stay.
  void resetStatistics() {
    ProcessStats fresh;
    fresh.id = id;
    fresh.row = row;
    fresh.visible = visible;
    fresh.entryClass = entryClass;
    *this = fresh;
  }
};

// The share of the analysed window a net run time covers; 0 for an empty window (a trace of a
// single instant) rather than a division by zero.
inline double runTimeShare(double totalWithoutInt, double windowSpan) {
  return windowSpan != 0.0 ? totalWithoutInt / windowSpan : 0.0;
}

// The share of the analysed window an entry ran without nested activations, in percent.
inline double runTimePercent(const ProcessStats& stats, double windowSpan) {
  return runTimeShare(stats.totalWithoutInt, windowSpan) * 100.0;
}

}  // namespace kelvor
