#include "link/TraceRecordDecoder.h"

namespace kelvor {

template <typename Sink>
void TraceRecordDecoder::decodeWhole(std::span<const std::uint8_t> chunk, Sink&& sink) {
  const std::size_t records = chunk.size() / TraceRecordSize;
  for (std::size_t i = 0; i < records; ++i) {
    if (auto event = decodeRecord(decodeTraceRecord(chunk.data() + i * TraceRecordSize))) {
      sink(*event);
    }
  }
  remainderBytes_ += chunk.size() % TraceRecordSize;
}

std::size_t TraceRecordDecoder::decodeChunk(std::span<const std::uint8_t> chunk,
                                            EventStream& stream) {
  std::size_t appended = 0;
  decodeWhole(chunk, [&](const TraceEvent& event) {
    stream.append(event);
    ++appended;
  });
  return appended;
}

std::size_t TraceRecordDecoder::decodeChunk(std::span<const std::uint8_t> chunk,
                                            std::vector<TraceEvent>& events) {
  const std::size_t before = events.size();
  decodeWhole(chunk, [&](const TraceEvent& event) { events.push_back(event); });
  return events.size() - before;
}

std::vector<TraceEvent> TraceRecordDecoder::decodeChunk(std::span<const std::uint8_t> chunk) {
  std::vector<TraceEvent> events;
  events.reserve(chunk.size() / TraceRecordSize);
  decodeChunk(chunk, events);
  return events;
}

std::optional<TraceEvent> TraceRecordDecoder::decodeRecord(const TraceRecord& record) {
  ++recordsDecoded_;
  const std::uint32_t timestamp = record.timestamp & TraceTimestampMask;
  if (!firstRecordSeen_) {
    firstRecordSeen_ = true;
    accumulatedTime_ = 0.0;
  } else {
    // The phone's microsecond counter has 24 bits and wraps about every 16.8 s. A timestamp
    // below the previous one means the counter wrapped in between, so the elapsed time is the
    // difference modulo 2^24: the time never runs backwards. (The plain difference of the two
    // values as unsigned 32-bit numbers would instead jump forward by about 4295 s.) A gap of
    // more than one wrap between two records cannot be seen and is not accounted for.
    const std::uint32_t elapsedUs = (timestamp - previousTimestamp_) & TraceTimestampMask;
    accumulatedTime_ += static_cast<double>(elapsedUs) * 0.000001;
  }
  previousTimestamp_ = timestamp;

  const std::optional<EventKind> kind = eventKindOf(record.type);
  if (!kind) {
    ++unusableRecords_;
    return std::nullopt;
  }
  if (*kind == EventKind::START_PROC) {
    seenIds_->markSeen(record.id);
  }
  return TraceEvent(accumulatedTime_, record.id, *kind, 0, 0, 0.0, record.type);
}

void TraceRecordDecoder::reset() {
  firstRecordSeen_ = false;
  accumulatedTime_ = 0.0;
  previousTimestamp_ = 0;
  recordsDecoded_ = 0;
  unusableRecords_ = 0;
  remainderBytes_ = 0;
}

}  // namespace kelvor
