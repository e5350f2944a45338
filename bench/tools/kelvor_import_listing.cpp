// Imports one listing (or reads one .run file) and reports the events read, the bytes the stream
// takes for them and the process's peak memory, so that the importer's memory can be compared
// with the events' own storage:
// kelvor-import-listing FILE [STARTADDRESS]
#include <sys/resource.h>

#include <cstdio>
#include <sstream>

#include "io/RunFile.h"
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
  if (traceFileTypeOf(path) == TraceFileType::Run) {
    RunFile::read(engine, path, nullptr);
  } else {
    TextTraceImporter(engine.stream(), importContextFor(session)).importFile(path);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double events = static_cast<double>(engine.stream().size());
  const auto storage = static_cast<double>(engine.stream().storageBytes());
  std::printf("events %.0f, event storage %.1f MB (%.2f bytes per event), peak RSS %.1f MB\n",
              events, storage / 1e6, events > 0 ? storage / events : 0.0,
              static_cast<double>(usage.ru_maxrss) * 1024 / 1e6);
  return 0;
}
