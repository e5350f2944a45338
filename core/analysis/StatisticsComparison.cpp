#include "analysis/StatisticsComparison.h"

#include <bit>
#include <cstdint>

namespace kelvor {

namespace {

bool sameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

}  // namespace

const char* firstDifferingField(const ProcessStats& a, const ProcessStats& b) {
#define KELVOR_SAME(field) \
  if (a.field != b.field)  \
    return #field;
#define KELVOR_SAME_BITS(field)    \
  if (!sameBits(a.field, b.field)) \
    return #field;
  KELVOR_SAME(userActive)
  KELVOR_SAME(id)
  KELVOR_SAME(row)
  KELVOR_SAME(visible)
  KELVOR_SAME(entryClass)
  KELVOR_SAME(calls)
  KELVOR_SAME_BITS(totalWithInt)
  KELVOR_SAME_BITS(totalWithoutInt)
  KELVOR_SAME_BITS(minWithInt)
  KELVOR_SAME_BITS(minWithoutInt)
  KELVOR_SAME_BITS(maxWithInt)
  KELVOR_SAME_BITS(maxWithoutInt)
  KELVOR_SAME(maxNested)
  KELVOR_SAME(minNested)
  KELVOR_SAME(totalNested)
  KELVOR_SAME_BITS(minClock)
  KELVOR_SAME_BITS(maxClock)
  KELVOR_SAME_BITS(meanClock)
  KELVOR_SAME_BITS(clockTime)
  KELVOR_SAME(timA)
  KELVOR_SAME(timB)
  KELVOR_SAME(actTim)
  KELVOR_SAME(gotTim)
  KELVOR_SAME(mesA)
  KELVOR_SAME(mesB)
  KELVOR_SAME(sendMes)
  KELVOR_SAME(receMes)
#undef KELVOR_SAME
#undef KELVOR_SAME_BITS
  return nullptr;
}

std::string firstStatisticsDifference(const StatisticsEngine& a, const StatisticsEngine& b) {
  if (a.statistics().size() != b.statistics().size()) {
    return "record count " + std::to_string(a.statistics().size()) + " vs " +
           std::to_string(b.statistics().size());
  }
  for (const auto& [id, record] : a.statistics()) {
    const ProcessStats* other = b.find(id);
    const std::string where = "entry " + std::to_string(id) + ": ";
    if (other == nullptr) {
      return where + "missing";
    }
    if (const char* field = firstDifferingField(record, *other)) {
      return where + field + " differs";
    }
  }
  return {};
}

std::size_t differingRecords(const StatisticsEngine& a, const StatisticsEngine& b) {
  std::size_t differ = a.statistics().size() == b.statistics().size() ? 0 : 1;
  for (const auto& [id, record] : a.statistics()) {
    const ProcessStats* other = b.find(id);
    if (other == nullptr || firstDifferingField(record, *other) != nullptr) {
      ++differ;
    }
  }
  return differ;
}

std::string differenceFromFullAnalysis(const StatisticsEngine& engine) {
  AnalysisContext context;
  context.console = nullptr;
  StatisticsEngine fresh(context);
  for (const TraceEvent& event : engine.stream()) {
    fresh.append(event);
  }
  fresh.analyse();
  return firstStatisticsDifference(engine, fresh);
}

}  // namespace kelvor
