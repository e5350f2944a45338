#pragma once

#include <cstddef>
#include <string>

#include "analysis/ProcessStats.h"
#include "analysis/StatisticsEngine.h"

namespace kelvor {

// The name of the first field in which two records differ, doubles compared bit for bit; null
// when they are the same.
const char* firstDifferingField(const ProcessStats& a, const ProcessStats& b);

// What first differs between the records of two engines ("entry 5: maxWithInt differs"); empty
// when both hold the same records with the same values, bit for bit.
std::string firstStatisticsDifference(const StatisticsEngine& a, const StatisticsEngine& b);

// The records of `a` that differ from their record in `b` or are missing there, plus one when
// the numbers of records differ.
std::size_t differingRecords(const StatisticsEngine& a, const StatisticsEngine& b);

// What differs between the engine's statistics and those of one full analysis of its stream
// over the whole trace; empty when nothing does.
std::string differenceFromFullAnalysis(const StatisticsEngine& engine);

}  // namespace kelvor
