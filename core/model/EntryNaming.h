#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/ProcessTable.h"
#include "model/RunNameTable.h"

namespace kelvor {

// How an id text writes an entry id. Every style shows an interrupt by its number ("%02X" of the
// id less InterruptIdBase) and any other entry by its id ("%04X"); they differ in the prefix and
// in whether InterruptIdBase itself counts as an interrupt.
enum class IdTextStyle {
  View,  // "0x0200", "0x05": the statistics table, the printed table, the stream list;
         // InterruptIdBase reads "0x00"
  File,  // "0200", "05": the statistics file and kelvor-cli's table; InterruptIdBase reads "10000"
};

// Whether an id text shows the entry as an interrupt, by its number.
bool idTextShowsInterrupt(std::uint32_t entryId, IdTextStyle style);
// The id text of an entry id.
std::string entryIdText(std::uint32_t entryId, IdTextStyle style);
// The id text of an interrupt by its number and of a process by its id, for a view that knows
// which of the two it shows.
std::string interruptIdText(std::uint32_t number, IdTextStyle style);
std::string processIdText(std::uint32_t id, IdTextStyle style);

// Which entries take name and priority from the names of a loaded .run file.
struct RunNameUse {
  bool processes = false;   // processes, tasks and HISRs (ids below InterruptIdBase)
  bool interrupts = false;  // interrupts (looked up by their number)
};

// The name and priority a view shows for an entry: those of the process table, unless the
// entry's class takes them from the .run name table and that table holds the entry (its first
// record with the 16-bit id counts). A name from the .run table is followed by a blank.
class EntryNaming {
 public:
  // `runNames` may be null or empty: every name comes from the process table.
  EntryNaming(const ProcessTable& table, const RunNameTable* runNames, RunNameUse use);

  std::string name(std::uint32_t entryId) const;
  std::uint32_t priority(std::uint32_t entryId) const;

 private:
  const RunNameRecord* runRecord(std::uint32_t entryId) const;

  const ProcessTable& table_;
  const RunNameTable* runNames_;
  RunNameUse use_;
  std::vector<std::int32_t> first_;  // first record per 16-bit id, or -1; empty: none apply
};

}  // namespace kelvor
