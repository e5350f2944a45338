#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/EventStream.h"
#include "model/RunNameTable.h"

namespace kelvor {

class ProcessTable;
class ProgressSink;
class StatisticsEngine;

// What reading a run file found, for the loader to apply to the program's state.
struct RunReadResult {
  std::uint16_t code = 0;  // one of RunFile's read results
  // The file's entry records, once its header was read (partial when the entries are short).
  std::optional<RunNameTable> names;
  // The ids of the START_PROC events read, once all entry records were read.
  std::optional<SeenIdTable> seenIds;
};

// The program's own binary store of a trace (".run"): a 104-byte header, one 38-byte record per
// statistics entry (id, name, priority) and one 26-byte record per event, all little-endian
// without padding:
//
//   header   0: "Kelvor2\0"   8: u32 1   12: u32 26   16: u32 save time (s since 1970 UTC)
//           20: i32 last event time (s, truncated)   24: u32 events E   28: u32 entries N
//           32: 72 zero bytes
//   entry    0: u16 id (the priority for entry 0)   2: name, 32 bytes zero-padded
//           34: u32 priority
//   event    0: f64 time   8: u16 key   10: i32 kind   14: 8 zero bytes
//           22: u32 extra: the event's number for START_IRQ and END_IRQ and for keys below
//               256, otherwise the priority of the entry with id key
class RunFile {
 public:
  static constexpr std::size_t HeaderSize = 104;
  static constexpr std::size_t EntrySize = 38;
  static constexpr std::size_t EventSize = 26;
  static constexpr std::size_t NameSize = 32;
  static constexpr char Magic[8] = {'K', 'e', 'l', 'v', 'o', 'r', '2', '\0'};

  // Results of write.
  static constexpr std::uint16_t WriteOk = 0;
  static constexpr std::uint16_t WriteCannotCreate = 1;
  static constexpr std::uint16_t WriteHeaderShort = 3;
  static constexpr std::uint16_t WriteEntriesShort = 4;
  static constexpr std::uint16_t WriteEventsShort = 5;
  static constexpr std::uint16_t WriteNoData = 8;

  // Results of read.
  static constexpr std::uint16_t ReadOk = 0;
  static constexpr std::uint16_t ReadCannotOpen = 1;
  static constexpr std::uint16_t ReadHeaderShort = 2;
  static constexpr std::uint16_t ReadEntriesShort = 6;
  static constexpr std::uint16_t ReadEventsShort = 7;
  static constexpr std::uint16_t ReadBadMagic = 15;

  // sourceType of read-back events by kind; kinds other than the five listed get OtherSource.
  static constexpr std::uint8_t OtherSource = 0xFF;

  // Saves the engine: its stream and, per statistics record, the name and priority `table`
  // gives. Looking up the priority of an event key of 256 or more (other than an interrupt's)
  // creates the engine's record of that id when missing. The file is written beside the target and
  // replaces it only when complete: on any failure the target is left as it was. An empty stream
  // returns WriteNoData and creates nothing.
  static std::uint16_t write(StatisticsEngine& engine, const ProcessTable& table,
                             const std::string& path);

  // Fills `engine` (emptied first) from a run file, posts progress to `progress` (may be null)
  // and analyses the whole trace. The result carries the file's name table and the ids of its
  // START_PROC events. A file that holds fewer records than its header promises gives what it
  // holds and a "short" result.
  static RunReadResult read(StatisticsEngine& engine, const std::string& path,
                            ProgressSink* progress);

  // The same from bytes in memory.
  static RunReadResult readBytes(StatisticsEngine& engine, std::string_view bytes,
                                 ProgressSink* progress);
};

}  // namespace kelvor
