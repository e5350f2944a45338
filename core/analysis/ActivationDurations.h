#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <vector>

#include "analysis/DurationDistribution.h"
#include "analysis/ProcessStats.h"

namespace kelvor {

// The net and the gross duration of every finished activation, per entry, kept while an analysis
// runs when a caller asks for distributions. A duration is held in single precision, so an
// activation costs 8 bytes; the table's exact figures (calls, totals, minima, maxima) stay with
// the statistics records.
class ActivationDurations {
 public:
  // The durations of one entry, in the order its activations finished.
  struct Series {
    std::uint32_t entry = 0;
    std::vector<float> net;
    std::vector<float> gross;
  };

  ActivationDurations() { clear(); }

  // Drops every duration but keeps the storage, so that a repeated analysis of the same trace
  // writes into memory it already owns.
  void clear();

  void add(std::uint32_t entry, double net, double gross) {
    Series& s = seriesFor(entry);
    s.net.push_back(toSingle(net));
    s.gross.push_back(toSingle(gross));
  }

  // A duration in single precision; beyond its range (a damaged trace) it is clamped, and what is
  // no number counts as zero.
  static float toSingle(double seconds) {
    constexpr double Largest = std::numeric_limits<float>::max();
    return seconds == seconds ? static_cast<float>(std::clamp(seconds, -Largest, Largest)) : 0.0f;
  }

  // The durations of an entry, or null when none of its activations finished.
  Series* find(std::uint32_t entry);
  const Series* find(std::uint32_t entry) const;
  // Every entry with durations, in the order they first finished.
  std::vector<Series>& series() { return series_; }
  const std::vector<Series>& series() const { return series_; }

  // Bytes held by the durations, spare capacity included.
  std::size_t storageBytes() const;

 private:
  // Entry ids below this limit (16-bit process ids and the interrupt ids) find their series
  // through a table; the rare wider ids through a map.
  static constexpr std::uint32_t TableLimit = 0x20000;
  static constexpr std::uint32_t NoSlot = 0;

  Series& seriesFor(std::uint32_t entry) {
    if (entry < TableLimit) {
      // clear() sized the table, and every analysis that keeps durations clears them first.
      if (const std::uint32_t slot = slotOf_[entry]; slot != NoSlot) {
        return series_[slot - 1];
      }
    }
    return newSeries(entry);
  }
  Series& newSeries(std::uint32_t entry);
  std::uint32_t slotFor(std::uint32_t entry) const;

  std::vector<Series> series_;
  // Slot + 1 of the series of each entry below TableLimit; NoSlot when it has none.
  std::vector<std::uint32_t> slotOf_;
  std::unordered_map<std::uint32_t, std::uint32_t> wideSlots_;
  // Series emptied by clear(), ready to be handed to an entry again with their storage.
  std::vector<Series> spare_;
};

// The net and gross distributions of one entry.
struct EntryDistribution {
  DurationDistribution net;
  DurationDistribution gross;
};

// The distributions of an entry's durations. The count, mean, minimum and maximum are those of
// its statistics record, exact where the durations are kept in single precision; the deviation,
// percentiles and histogram come from the durations.
EntryDistribution distributionsOf(const ProcessStats& record,
                                  const ActivationDurations::Series& series);

}  // namespace kelvor
