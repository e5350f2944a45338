#pragma once

#include <cstdint>
#include <cstdlib>

namespace kelvor::bench {

// SplitMix64: small, fast and identical on every machine (unlike the standard distributions), so
// a seed always gives the same synthetic trace.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  std::uint32_t below(std::uint32_t bound) { return static_cast<std::uint32_t>(next() % bound); }

 private:
  std::uint64_t state_;
};

// A positive count from the environment variable, or the fallback (for quick smoke runs with a
// smaller input).
inline std::uint64_t countFromEnvironment(const char* name, std::uint64_t fallback) {
  if (const char* text = std::getenv(name)) {
    const long long value = std::atoll(text);
    if (value > 0) {
      return static_cast<std::uint64_t>(value);
    }
  }
  return fallback;
}

// The number of synthetic events the benchmarks work on: 10,000,000 unless KELVOR_BENCH_EVENTS
// says otherwise.
inline std::size_t benchEventCount() {
  return static_cast<std::size_t>(countFromEnvironment("KELVOR_BENCH_EVENTS", 10'000'000));
}

}  // namespace kelvor::bench
