#include "io/MopWrite.h"

namespace kelvor {

namespace listing {

double clockForCode(std::uint32_t code) {
  switch (code) {
    case 2:
      return 32.0;
    case 3:
      return 3.25;
    case 4:
      return 6.5;
    case 5:
      return 13.0;
    case 6:
      return 26.0;
    case 7:
      return 48.0;
    case 8:
      return 52.0;
    case 9:
      return 89.1;
    case 10:
      return 104.0;
    default:
      return 0.0;
  }
}

}  // namespace listing

}  // namespace kelvor
