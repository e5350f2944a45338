#include "model/ProcessTable.h"

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

std::uint32_t ProcessTable::priorityOf(std::uint32_t id) const {
  const ProcessEntry* entry = find(id);
  if (entry != nullptr && entry->priority != UnknownPriority) {
    return entry->priority;
  }
  const ProcessEntry* group = find(groupId(id));
  return group != nullptr ? group->priority : UnknownPriority;
}

}  // namespace kelvor
