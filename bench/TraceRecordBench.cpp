// Decoding the chunks a recording reads from the trace channel: a full read of 5000 bytes
// (833 records and 2 bytes left over) into the event stream, as one poll of the recording does.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "BenchSupport.h"
#include "link/TraceRecordDecoder.h"

namespace kelvor::bench {
namespace {

std::vector<std::uint8_t> fullChunk() {
  Random random(9);
  std::vector<std::uint8_t> bytes;
  std::uint32_t timestamp = 0;
  while (bytes.size() + TraceRecordSize <= 5000) {
    timestamp = (timestamp + 1 + random.below(400)) & TraceTimestampMask;
    const TraceRecord record{static_cast<std::uint16_t>(0x100 + random.below(64)), timestamp,
                             static_cast<std::uint8_t>(random.below(5))};
    const auto encoded = encodeTraceRecord(record);
    bytes.insert(bytes.end(), encoded.begin(), encoded.end());
  }
  bytes.resize(5000, 0);
  return bytes;
}

void BM_DecodeFullChunk(benchmark::State& state) {
  const std::vector<std::uint8_t> chunk = fullChunk();
  SeenIdTable seen;
  TraceRecordDecoder decoder(seen);
  EventStream stream;
  stream.reserve(1 << 20);
  for (auto _ : state) {
    if (stream.size() > (1u << 20) - 1000) {
      stream.clear();
    }
    benchmark::DoNotOptimize(decoder.decodeChunk(chunk, stream));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 5000);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 833);
}
BENCHMARK(BM_DecodeFullChunk);

}  // namespace
}  // namespace kelvor::bench

BENCHMARK_MAIN();
