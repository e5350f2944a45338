#include "io/RunFile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

#include "analysis/StatisticsEngine.h"
#include "common/AtomicFile.h"
#include "common/ProgressSink.h"
#include "model/ProcessTable.h"

namespace kelvor {

namespace {

using Byte = unsigned char;

// ---- little-endian encoding, independent of the host's byte order ----

inline Byte* putU16(Byte* p, std::uint16_t v) {
  p[0] = static_cast<Byte>(v);
  p[1] = static_cast<Byte>(v >> 8);
  return p + 2;
}

inline Byte* putU32(Byte* p, std::uint32_t v) {
  p[0] = static_cast<Byte>(v);
  p[1] = static_cast<Byte>(v >> 8);
  p[2] = static_cast<Byte>(v >> 16);
  p[3] = static_cast<Byte>(v >> 24);
  return p + 4;
}

inline Byte* putU64(Byte* p, std::uint64_t v) {
  p = putU32(p, static_cast<std::uint32_t>(v));
  return putU32(p, static_cast<std::uint32_t>(v >> 32));
}

inline std::uint16_t getU16(const Byte* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t getU32(const Byte* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t getU64(const Byte* p) {
  return static_cast<std::uint64_t>(getU32(p)) | (static_cast<std::uint64_t>(getU32(p + 4)) << 32);
}

// The last event's time in whole seconds toward zero, held in the header's signed field; times
// outside its range (or not a number) are clamped instead of overflowing.
std::int32_t truncatedSeconds(double time) {
  if (std::isnan(time)) {
    return 0;
  }
  if (time >= 2147483647.0) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (time <= -2147483648.0) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(time);
}

constexpr std::size_t WriteBlock = std::size_t{4} << 20;
constexpr std::size_t ReadBlock = std::size_t{4} << 20;

// Collects encoded records and hands them to the file writer in large blocks.
class BlockWriter {
 public:
  explicit BlockWriter(AtomicFileWriter& file) : file_(file), buffer_(WriteBlock) {}

  // Room for one record of `size` bytes.
  Byte* reserve(std::size_t size) {
    if (buffer_.size() - used_ < size) {
      flush();
    }
    return buffer_.data() + used_;
  }
  void commit(std::size_t size) { used_ += size; }
  void flush() {
    file_.write(std::string_view(reinterpret_cast<const char*>(buffer_.data()), used_));
    used_ = 0;
  }

 private:
  AtomicFileWriter& file_;
  std::vector<Byte> buffer_;
  std::size_t used_ = 0;
};

// Bytes of a run file, from a file read in large blocks or from memory. The bytes between
// `begin()` and `end()` are available; `fill` makes at least `need` available when the source
// still holds them.
class ByteSource {
 public:
  explicit ByteSource(std::string_view bytes)
      : cur_(reinterpret_cast<const Byte*>(bytes.data())),
        end_(cur_ + bytes.size()),
        remaining_(bytes.size()) {}

  ByteSource(std::FILE* file, std::uint64_t sizeHint)
      : file_(file), buffer_(ReadBlock), remaining_(sizeHint) {
    cur_ = end_ = buffer_.data();
  }

  const Byte* begin() const { return cur_; }
  std::size_t available() const { return static_cast<std::size_t>(end_ - cur_); }
  void consume(std::size_t count) {
    cur_ += count;
    consumed_ += count;
  }
  // Bytes not yet consumed, as far as the source's size is known (0 when it is not).
  std::uint64_t remainingHint() const {
    return remaining_ > consumed_ ? remaining_ - consumed_ : 0;
  }

  std::size_t fill(std::size_t need) {
    if (available() >= need || file_ == nullptr || ended_) {
      return available();
    }
    const std::size_t kept = available();
    std::memmove(buffer_.data(), cur_, kept);
    cur_ = buffer_.data();
    end_ = cur_ + kept;
    while (!ended_ && available() < buffer_.size()) {
      const std::size_t room = buffer_.size() - available();
      const std::size_t got = std::fread(buffer_.data() + available(), 1, room, file_);
      end_ += got;
      if (got < room) {
        ended_ = true;  // end of file or a read error: what arrived is all there is
      }
    }
    return available();
  }

 private:
  std::FILE* file_ = nullptr;
  std::vector<Byte> buffer_;
  const Byte* cur_ = nullptr;
  const Byte* end_ = nullptr;
  std::uint64_t remaining_ = 0;
  std::uint64_t consumed_ = 0;
  bool ended_ = false;
};

std::uint8_t sourceTypeFor(std::int32_t kind) {
  switch (static_cast<EventKind>(static_cast<std::uint32_t>(kind))) {
    case EventKind::START_PROC:
      return 0;
    case EventKind::END_PROC:
      return 1;
    case EventKind::START_IRQ:
      return 2;
    case EventKind::END_IRQ:
      return 3;
    case EventKind::USER_MARK:
      return 4;
    default:
      return RunFile::OtherSource;
  }
}

std::uint16_t readFrom(StatisticsEngine& engine, ByteSource& in, ProgressSink* progressSink,
                       RunReadResult& result) {
  engine.clear();

  if (in.fill(RunFile::HeaderSize) < RunFile::HeaderSize) {
    return RunFile::ReadHeaderShort;
  }
  const Byte* header = in.begin();
  // The magic is compared as a zero-terminated text.
  if (std::memcmp(header, RunFile::Magic, sizeof RunFile::Magic) != 0) {
    return RunFile::ReadBadMagic;
  }
  const std::uint32_t eventCount = getU32(header + 24);
  const std::uint32_t entryCount = getU32(header + 28);
  in.consume(RunFile::HeaderSize);

  // Entry records. Counts come from the file: reservations never exceed what the file can hold.
  RunNameTable& names = result.names.emplace();
  names.reserve(static_cast<std::size_t>(
      std::min<std::uint64_t>(entryCount, in.remainingHint() / RunFile::EntrySize)));
  for (std::uint32_t read = 0; read < entryCount;) {
    const std::size_t records =
        std::min<std::size_t>(in.fill(RunFile::EntrySize) / RunFile::EntrySize, entryCount - read);
    if (records == 0) {
      return RunFile::ReadEntriesShort;
    }
    const Byte* p = in.begin();
    for (std::size_t r = 0; r < records; ++r, p += RunFile::EntrySize) {
      RunNameRecord record;
      record.id = getU16(p);
      std::memcpy(record.name.data(), p + 2, RunFile::NameSize);
      record.priority = getU32(p + 34);
      names.push_back(record);
    }
    in.consume(records * RunFile::EntrySize);
    read += static_cast<std::uint32_t>(records);
  }

  ProgressReporter progress(progressSink);
  SeenIdTable& seenIds = result.seenIds.emplace();

  engine.stream().reserve(static_cast<std::size_t>(
      std::min<std::uint64_t>(eventCount, in.remainingHint() / RunFile::EventSize)));
  std::uint32_t index = 0;
  std::uint32_t untilProgress = 0;
  while (index < eventCount) {
    const std::size_t records =
        std::min<std::size_t>(in.fill(RunFile::EventSize) / RunFile::EventSize, eventCount - index);
    if (records == 0) {
      break;  // the file ends early: only complete records are kept
    }
    const Byte* p = in.begin();
    for (std::size_t r = 0; r < records; ++r, p += RunFile::EventSize) {
      if (untilProgress == 0) {
        progress.update(index, eventCount);
        untilProgress = 100;
      }
      --untilProgress;
      const double time = std::bit_cast<double>(getU64(p));
      const std::uint16_t key = getU16(p + 8);
      const auto kind = static_cast<std::int32_t>(getU32(p + 10));
      const std::uint32_t extra = getU32(p + 22);
      const TraceEvent event(time, key, static_cast<EventKind>(static_cast<std::uint32_t>(kind)),
                             extra, 0, 0.0, sourceTypeFor(kind));
      engine.append(event);
      if (event.kind == EventKind::START_PROC) {
        seenIds.markSeen(key);
      }
      ++index;
    }
    in.consume(records * RunFile::EventSize);
  }

  progress.close();
  engine.analyse(TimeWindow::wholeTrace());
  return index == eventCount ? RunFile::ReadOk : RunFile::ReadEventsShort;
}

}  // namespace

std::uint16_t RunFile::write(StatisticsEngine& engine, const ProcessTable& table,
                             const std::string& path) {
  if (engine.stream().empty()) {
    return WriteNoData;
  }
  const EventStream& stream = engine.stream();

  AtomicFileWriter file(path);
  if (!file.isOpen()) {
    return WriteCannotCreate;
  }
  BlockWriter out(file);

  // The header's counts are 32 bits wide; a larger stream is saved up to what they can count.
  const std::size_t eventCount =
      std::min<std::size_t>(stream.size(), std::numeric_limits<std::uint32_t>::max());
  const std::size_t entryCount =
      std::min<std::size_t>(engine.statistics().size(), std::numeric_limits<std::uint32_t>::max());

  Byte* h = out.reserve(HeaderSize);
  std::memset(h, 0, HeaderSize);
  std::memcpy(h, Magic, sizeof Magic);
  putU32(h + 8, 1);
  putU32(h + 12, static_cast<std::uint32_t>(EventSize));
  putU32(h + 16, static_cast<std::uint32_t>(std::time(nullptr)));
  putU32(h + 20, static_cast<std::uint32_t>(truncatedSeconds(stream.lastTime())));
  putU32(h + 24, static_cast<std::uint32_t>(eventCount));
  putU32(h + 28, static_cast<std::uint32_t>(entryCount));
  out.commit(HeaderSize);
  out.flush();
  if (!file.good()) {
    return WriteHeaderShort;
  }

  std::size_t written = 0;
  for (const auto& [id, stats] : engine.statistics()) {
    if (written++ == entryCount) {
      break;
    }
    const std::uint32_t priority = table.priorityOf(id);
    const std::string name = table.entryName(id);
    Byte* p = out.reserve(EntrySize);
    putU16(p, static_cast<std::uint16_t>(id == 0 ? priority : id));
    std::memset(p + 2, 0, NameSize);
    std::memcpy(p + 2, name.data(), std::min(name.size(), NameSize));
    putU32(p + 34, priority);
    out.commit(EntrySize);
  }
  out.flush();
  if (!file.good()) {
    return WriteEntriesShort;
  }

  // Priorities of event keys, looked up once per key.
  std::vector<std::uint32_t> keyPriority(0x10000, 0);
  std::vector<std::uint8_t> keyKnown(0x10000, 0);
  for (std::size_t i = 0; i < eventCount; ++i) {
    const TraceEvent& event = stream[i];
    const auto key = static_cast<std::uint16_t>(eventKey(event));
    std::uint32_t extra = event.number;
    // An interrupt keeps its number whatever it is: a key of 256 or more is not a process id.
    const bool interrupt = event.kind == EventKind::START_IRQ || event.kind == EventKind::END_IRQ;
    if (key >= 256 && !interrupt) {
      if (keyKnown[key] == 0) {
        engine.statsFor(key);
        keyPriority[key] = table.priorityOf(key);
        keyKnown[key] = 1;
      }
      extra = keyPriority[key];
    }
    Byte* p = out.reserve(EventSize);
    p = putU64(p, std::bit_cast<std::uint64_t>(event.time));
    p = putU16(p, key);
    p = putU32(p, static_cast<std::uint32_t>(event.kind));
    p = putU32(p, 0);
    p = putU32(p, 0);
    putU32(p, extra);
    out.commit(EventSize);
  }
  out.flush();
  if (!file.good()) {
    return WriteEventsShort;
  }
  // Data still buffered may fail on the way to the disk; the records are then not all there.
  return file.commit() ? WriteOk : WriteEventsShort;
}

RunReadResult RunFile::read(StatisticsEngine& engine, const std::string& path,
                            ProgressSink* progress) {
  RunReadResult result;
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    result.code = ReadCannotOpen;
    return result;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) {
    result.code = ReadCannotOpen;
    return result;
  }
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  // Unbuffered: the reader fetches large blocks itself.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  ByteSource in(file.get(), ec ? 0 : static_cast<std::uint64_t>(size));
  result.code = readFrom(engine, in, progress, result);
  return result;
}

RunReadResult RunFile::readBytes(StatisticsEngine& engine, std::string_view bytes,
                                 ProgressSink* progress) {
  RunReadResult result;
  ByteSource in(bytes);
  result.code = readFrom(engine, in, progress, result);
  return result;
}

}  // namespace kelvor
