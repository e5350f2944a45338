#include "model/ProcessTable.h"

#include <cstdio>

namespace kelvor {

std::string ProcessTable::entryName(std::uint32_t id) const {
  if (const ProcessEntry* entry = find(id)) {
    return entry->name;
  }
  if (const ProcessEntry* group = find(groupId(id))) {
    return group->name + "::unknown ID";
  }
  return "unknown ID";
}

std::string ProcessTable::idText(std::uint32_t id) {
  char buffer[16];
  if (id > 0x10000u) {
    std::snprintf(buffer, sizeof buffer, "%02X", id - 0x10000u);
  } else {
    std::snprintf(buffer, sizeof buffer, "%04X", id);
  }
  return buffer;
}

std::uint32_t ProcessTable::priorityOf(std::uint32_t id) const {
  const ProcessEntry* entry = find(id);
  if (entry != nullptr && entry->priority != UnknownPriority) {
    return entry->priority;
  }
  const ProcessEntry* group = find(groupId(id));
  return group != nullptr ? group->priority : UnknownPriority;
}

}  // namespace kelvor
