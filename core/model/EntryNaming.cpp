#include "model/EntryNaming.h"

#include <cstdio>

#include "model/TraceEvent.h"

namespace kelvor {

namespace {

constexpr std::uint32_t RunNameIds = 0x10000;  // .run records carry 16-bit ids

}  // namespace

bool idTextShowsInterrupt(std::uint32_t entryId, IdTextStyle style) {
  // The statistics file has always written InterruptIdBase itself as an id.
  return style == IdTextStyle::View ? entryId >= InterruptIdBase : entryId > InterruptIdBase;
}

std::string interruptIdText(std::uint32_t number, IdTextStyle style) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, style == IdTextStyle::View ? "0x%02X" : "%02X", number);
  return buffer;
}

std::string processIdText(std::uint32_t id, IdTextStyle style) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, style == IdTextStyle::View ? "0x%04X" : "%04X", id);
  return buffer;
}

std::string entryIdText(std::uint32_t entryId, IdTextStyle style) {
  return idTextShowsInterrupt(entryId, style) ? interruptIdText(entryId - InterruptIdBase, style)
                                              : processIdText(entryId, style);
}

EntryNaming::EntryNaming(const ProcessTable& table, const RunNameTable* runNames, RunNameUse use)
    : table_(table), runNames_(runNames), use_(use) {
  if (runNames_ == nullptr || runNames_->empty() || (!use_.processes && !use_.interrupts)) {
    return;
  }
  first_.assign(RunNameIds, -1);
  for (std::size_t i = runNames_->size(); i-- > 0;) {
    first_[(*runNames_)[i].id] = static_cast<std::int32_t>(i);
  }
}

const RunNameRecord* EntryNaming::runRecord(std::uint32_t entryId) const {
  if (first_.empty()) {
    return nullptr;
  }
  const bool interrupt = entryId >= InterruptIdBase;
  if (!(interrupt ? use_.interrupts : use_.processes)) {
    return nullptr;
  }
  const std::uint32_t runId = interrupt ? entryId - InterruptIdBase : entryId;
  if (runId >= RunNameIds || first_[runId] < 0) {
    return nullptr;
  }
  return &(*runNames_)[static_cast<std::size_t>(first_[runId])];
}

std::string EntryNaming::name(std::uint32_t entryId) const {
  if (const RunNameRecord* record = runRecord(entryId)) {
    return record->nameText() + " ";
  }
  return table_.entryName(entryId);
}

std::uint32_t EntryNaming::priority(std::uint32_t entryId) const {
  if (const RunNameRecord* record = runRecord(entryId)) {
    return record->priority;
  }
  return table_.priorityOf(entryId);
}

}  // namespace kelvor
