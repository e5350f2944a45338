#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvor {

// One entry record of the last .run file read: names and priorities travel with the file.
struct RunNameRecord {
  std::uint16_t id = 0;
  std::array<char, 32> name{};  // zero-padded; no terminating zero when 32 characters long
  std::uint32_t priority = 0;

  std::string nameText() const {
    std::size_t length = 0;
    while (length < name.size() && name[length] != '\0') {
      ++length;
    }
    return std::string(name.data(), length);
  }
};

// The entry records of the last .run file read, in file order.
using RunNameTable = std::vector<RunNameRecord>;

}  // namespace kelvor
