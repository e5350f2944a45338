// Imports one listing and reports the events read and the process's peak memory, so that the
// importer's memory can be compared with the events' own storage:
// kelvor-import-listing FILE [STARTADDRESS]
#include <sys/resource.h>

#include <cstdio>
#include <sstream>

#include "io/TextTraceImporter.h"
#include "session/Session.h"
#include "session/TraceLoader.h"
#include "settings/SettingsBackend.h"

int main(int argc, char** argv) {
  using namespace kelvor;
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: kelvor-import-listing FILE [STARTADDRESS]\n");
    return 2;
  }
  const std::string path = argv[1];
  MemorySettingsBackend backend;
  Session session(backend);
  std::ostringstream console;
  session.analysis.console = &console;
  const bool prn = traceFileTypeOf(path) == TraceFileType::Etm;
  session.settings.Set("startadress", argc == 3 ? argv[2] : (prn ? "C0000020" : "20"));
  StatisticsEngine engine(session.analysis);
  TextTraceImporter(engine.stream(), importContextFor(session)).importFile(path);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double events = static_cast<double>(engine.stream().size());
  std::printf("events %.0f, event storage %.1f MB, peak RSS %.1f MB\n", events,
              static_cast<double>(engine.stream().storageBytes()) / 1e6,
              static_cast<double>(usage.ru_maxrss) * 1024 / 1e6);
  return 0;
}
