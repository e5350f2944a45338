#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kelvor::bench {

enum class ListingKind {
  Prn,  // ETM trace listing, MOP area at C0000020
  Txt,  // logic-analyser listing with a sample column, MOP area at 20
};

struct ListingOptions {
  ListingKind kind = ListingKind::Prn;
  // The listing ends after this many imported events, or once it holds this many bytes; a zero
  // limit does not count.
  std::uint64_t events = 0;
  std::uint64_t bytes = 0;
  std::uint64_t seed = 1;
};

struct ListingSummary {
  std::uint64_t events = 0;  // events an import with the usual MOP-area base produces
  std::uint64_t lines = 0;
  std::uint64_t bytes = 0;
};

// Writes a deterministic, realistic listing: processes, tasks and HISRs with interrupts nested in
// them (their priority and type written before the number), clock changes and user marks as
// writes into the MOP area, mixed with executed instructions and writes elsewhere, a heading and,
// in ETM listings, an occasional TRACE ENABLE line. The same options give the same bytes on every
// machine.
ListingSummary writeListing(std::FILE* out, const ListingOptions& options);

// The same into a file; false when the file cannot be written.
bool writeListingFile(const std::string& path, const ListingOptions& options,
                      ListingSummary* summary = nullptr);

}  // namespace kelvor::bench
