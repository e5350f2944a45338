#pragma once

#include <string>
#include <string_view>

namespace kelvor {

// The kinds of trace file the program reads, told apart by the last three characters of a path
// (compared exactly: "x.PRN" is not a listing). Every reader, the loader, the open dialogs and the
// drop handling decide with this one rule.
enum class TraceFileType {
  None,  // any other ending
  Tla,   // "txt": logic-analyser listing
  Etm,   // "prn": ETM trace listing
  Mes,   // "mes": event export
  Run,   // "run": the program's own binary trace
};

// The last three characters of a path, or the whole path when it is shorter.
inline std::string_view lastThreeOf(std::string_view path) {
  return path.size() <= 3 ? path : path.substr(path.size() - 3);
}

inline TraceFileType traceFileTypeOf(std::string_view path) {
  const std::string_view ending = lastThreeOf(path);
  if (ending == "txt") {
    return TraceFileType::Tla;
  }
  if (ending == "prn") {
    return TraceFileType::Etm;
  }
  if (ending == "mes") {
    return TraceFileType::Mes;
  }
  if (ending == "run") {
    return TraceFileType::Run;
  }
  return TraceFileType::None;
}

}  // namespace kelvor
