#pragma once

#include <cstdint>
#include <string>

#include "model/EventStream.h"

namespace kelvor {

// Writes the readable event export: a line "MES", then one line per event with its index in the
// stream, its time in seconds (six decimals), its key, kind name, number and address, separated
// by TABs and ended with CR LF. The file replaces the target only once complete. Returns false
// when the file could not be written; the caller decides what to tell the user.
bool writeMesFile(const EventStream& stream, const std::string& path);

// The same without the events whose index i lies in from <= i <= to; the others keep their index
// in the full stream.
bool writeMesFileExcept(const EventStream& stream, const std::string& path, std::uint32_t from,
                        std::uint32_t to);

}  // namespace kelvor
