#pragma once

#include <ostream>

#include "link/LinkResult.h"

namespace kelvor {

// Shows a LinkResult by its name and code in test failures.
inline void PrintTo(LinkResult result, std::ostream* out) {
  *out << linkResultName(result) << " (" << code(result) << ")";
}

}  // namespace kelvor
