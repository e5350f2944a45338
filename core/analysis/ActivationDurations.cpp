#include "analysis/ActivationDurations.h"

namespace kelvor {

void ActivationDurations::clear() {
  for (Series& s : series_) {
    s.net.clear();
    s.gross.clear();
    spare_.push_back(std::move(s));
  }
  series_.clear();
  slotOf_.assign(TableLimit, NoSlot);
  wideSlots_.clear();
}

std::uint32_t ActivationDurations::slotFor(std::uint32_t entry) const {
  if (entry < TableLimit) {
    return slotOf_[entry];
  }
  const auto it = wideSlots_.find(entry);
  return it != wideSlots_.end() ? it->second : NoSlot;
}

ActivationDurations::Series& ActivationDurations::newSeries(std::uint32_t entry) {
  if (const std::uint32_t slot = slotFor(entry); slot != NoSlot) {
    return series_[slot - 1];
  }
  // A series emptied by clear() that belonged to this entry keeps the most fitting storage; any
  // spare one is better than none.
  Series s;
  if (!spare_.empty()) {
    std::size_t pick = spare_.size() - 1;
    for (std::size_t i = 0; i < spare_.size(); ++i) {
      if (spare_[i].entry == entry) {
        pick = i;
        break;
      }
    }
    s = std::move(spare_[pick]);
    spare_[pick] = std::move(spare_.back());
    spare_.pop_back();
  }
  s.entry = entry;
  series_.push_back(std::move(s));
  const auto slot = static_cast<std::uint32_t>(series_.size());
  if (entry < TableLimit) {
    slotOf_[entry] = slot;
  } else {
    wideSlots_[entry] = slot;
  }
  return series_.back();
}

ActivationDurations::Series* ActivationDurations::find(std::uint32_t entry) {
  const std::uint32_t slot = slotFor(entry);
  return slot != NoSlot ? &series_[slot - 1] : nullptr;
}

const ActivationDurations::Series* ActivationDurations::find(std::uint32_t entry) const {
  const std::uint32_t slot = slotFor(entry);
  return slot != NoSlot ? &series_[slot - 1] : nullptr;
}

std::size_t ActivationDurations::storageBytes() const {
  std::size_t bytes = 0;
  for (const Series& s : series_) {
    bytes += (s.net.capacity() + s.gross.capacity()) * sizeof(float);
  }
  for (const Series& s : spare_) {
    bytes += (s.net.capacity() + s.gross.capacity()) * sizeof(float);
  }
  return bytes;
}

EntryDistribution distributionsOf(const ProcessStats& record,
                                  const ActivationDurations::Series& series) {
  EntryDistribution d{distributionOf(series.net), distributionOf(series.gross)};
  if (record.calls != 0 && record.calls == series.net.size()) {
    const double calls = record.calls;
    d.net.mean = record.totalWithoutInt / calls;
    d.net.min = record.minWithoutInt;
    d.net.max = record.maxWithoutInt;
    d.gross.mean = record.totalWithInt / calls;
    d.gross.min = record.minWithInt;
    d.gross.max = record.maxWithInt;
    // A percentile rounded to single precision may lie just outside the exact extremes.
    for (DurationDistribution* one : {&d.net, &d.gross}) {
      for (double* p : {&one->p50, &one->p90, &one->p99, &one->p999}) {
        *p = std::clamp(*p, one->min, one->max);
      }
    }
  }
  return d;
}

}  // namespace kelvor
