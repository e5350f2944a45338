#include "io/FrameCut.h"

namespace kelvor {

FrameCutCheck checkFrameCut(const std::string& currentTraceFile, std::uint32_t from,
                            std::uint32_t to) {
  if (currentTraceFile.empty()) {
    return FrameCutCheck::NoTraceFile;
  }
  if (from > to) {
    return FrameCutCheck::FromAfterTo;
  }
  if (from == to) {
    return FrameCutCheck::FromSameAsTo;
  }
  if (from > 0) {
    return FrameCutCheck::NotFromTheStart;
  }
  return FrameCutCheck::Ok;
}

std::string_view frameCutMessage(FrameCutCheck check) {
  switch (check) {
    case FrameCutCheck::NoTraceFile:
      return "Invalid File ! Please Save (for Serial Trace) / Load (for ETM/TLA) the file and "
             "then try to cutoff frames !";
    case FrameCutCheck::FromAfterTo:
      return "From is greater than To ! Try to provide valid values !";
    case FrameCutCheck::FromSameAsTo:
      return "From is Same as To ! Try to provide valid values !";
    case FrameCutCheck::NotFromTheStart:
      return "Cutting Data from middle of the trace might result in invalid trace ! Try to "
             "provide a valid values !";
    case FrameCutCheck::Ok:
      break;
  }
  return {};
}

std::string frameCutSavedMessage(const std::string& path) {
  return "File Saved at and as : " + path;
}

}  // namespace kelvor
