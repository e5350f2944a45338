#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace kelvor {

// Priority of an entry whose priority is not known.
inline constexpr std::uint32_t UnknownPriority = 1000;

// Which reader produced an entry.
enum ProcessOrigin : std::uint32_t {
  OriginHeaderProcesses = 1,  // PID header section opened by THE_LAST_PROCESS/GBS_MAX_PROCESSES
  OriginHeaderNoProcess = 2,  // PID header section opened by NO_PROCESS_EXISTS
  OriginIdList = 3,           // .txt or .cepid ID list
};

struct ProcessEntry {
  std::string name;
  std::uint32_t id = 0;
  std::uint32_t priority = UnknownPriority;
  std::uint32_t origin = 0;
};

// Names and priorities of processes, tasks and interrupts by entry id, as the ID decoding files
// give them. An entry whose id ends in 0xFF stands for the block of ids sharing its second byte.
class ProcessTable {
 public:
  using Map = std::map<std::uint32_t, ProcessEntry>;

  // The group id of an entry id: the entry standing for its block.
  static std::uint32_t groupId(std::uint32_t id) { return (id & 0xFF00u) + 0xFFu; }

  const ProcessEntry* find(std::uint32_t id) const {
    auto it = entries_.find(id);
    return it == entries_.end() ? nullptr : &it->second;
  }
  // The entry's name; else its group's name followed by "::unknown ID"; else "unknown ID".
  std::string entryName(std::uint32_t id) const;
  // The display priority: the entry's own unless missing or unknown, else its group's, else
  // UnknownPriority.
  std::uint32_t priorityOf(std::uint32_t id) const;

  // Stores a record; a later record with the same id overwrites the earlier one.
  void store(const std::string& name, std::uint32_t id, std::uint32_t priority,
             std::uint32_t origin) {
    entries_[id] = ProcessEntry{name, id, priority, origin};
  }
  // Installs a complete new table in one step.
  void replace(ProcessTable table) { entries_ = std::move(table.entries_); }

  const Map& entries() const { return entries_; }
  bool empty() const { return entries_.empty(); }
  std::size_t size() const { return entries_.size(); }
  Map::const_iterator begin() const { return entries_.begin(); }
  Map::const_iterator end() const { return entries_.end(); }

 private:
  Map entries_;
};

}  // namespace kelvor
