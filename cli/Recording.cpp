#include "Recording.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include "LinkLibraries.h"
#include "link/MobileLink.h"
#include "link/SerialRecorder.h"
#include "link/SimulatedPhone.h"
#include "settings/AnalysisSettings.h"
#include "settings/ComSettings.h"

namespace kelvor::cli {

namespace {

// Records per second of the simulated phone of a headless recording.
constexpr double SimulatedRecordsPerSecond = 10000.0;

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) {
  interrupted = true;
}

}  // namespace

std::optional<LinkChoice> parseLinkChoice(const std::string& text) {
  if (text == "simulated") {
    return LinkChoice{LinkChoice::Kind::Simulated, {}};
  }
  for (const auto& [prefix, kind] :
       {std::pair{std::string("serial:"), LinkChoice::Kind::Serial},
        std::pair{std::string("library:"), LinkChoice::Kind::Library}}) {
    if (text.size() > prefix.size() && text.compare(0, prefix.size(), prefix) == 0) {
      return LinkChoice{kind, text.substr(prefix.size())};
    }
  }
  return std::nullopt;
}

namespace {

// The library of the choice; null after a message when it cannot be had.
std::unique_ptr<LinkLibrary> linkLibraryOf(const LinkChoice& choice, double seconds) {
  switch (choice.kind) {
    case LinkChoice::Kind::Simulated: {
      GeneratedScenario scenario;
      scenario.recordsPerSecond = SimulatedRecordsPerSecond;
      scenario.recordCount =
          static_cast<std::uint32_t>(SimulatedRecordsPerSecond * (seconds + 1.0));
      auto phone = std::make_unique<SimulatedPhone>(PhoneScenario::generate(scenario));
      phone->setSwitchedOn(true);
      return phone;
    }
    case LinkChoice::Kind::Serial: {
      // Every port number opens the device given.
      const std::string device = choice.target;
      return makeSerialLink([device](std::uint32_t) { return device; }, device);
    }
    case LinkChoice::Kind::Library: {
      std::string error;
      std::unique_ptr<LinkLibrary> library = loadLinkLibrary(choice.target, error);
      if (!library) {
        std::fprintf(stderr, "kelvor-cli: %s\n", error.c_str());
      }
      return library;
    }
  }
  return nullptr;
}

}  // namespace

bool recordFromLink(Session& session, const LinkChoice& choice, double seconds) {
  // The serial line's port is served by a Qt thread, which takes events only while an
  // application object exists; the tool needs none otherwise.
  int argc = 1;
  char name[] = "kelvor-cli";
  char* argv[] = {name, nullptr};
  std::optional<QCoreApplication> application;
  if (choice.kind == LinkChoice::Kind::Serial && QCoreApplication::instance() == nullptr) {
    application.emplace(argc, argv);
  }
  const std::unique_ptr<LinkLibrary> library = linkLibraryOf(choice, seconds);
  if (!library) {
    return false;
  }
  MobileLink link(*library);
  ComSettings comSettings;
  comSettings.setPortIndex(FallbackPortIndex);
  HeadlessRecordingHost host;
  SerialRecorder recorder(session, link, comSettings, host);

  if (!session.engine) {
    session.engine = std::make_unique<StatisticsEngine>(session.analysis);
  }
  if (recorder.StartRecording(DefaultRefreshRateMs) != RecordStart::Started) {
    return false;
  }
  // Ctrl+C (or SIGTERM, as from `timeout`) ends the recording early and keeps what was recorded.
  interrupted = false;
  const auto previous = std::signal(SIGINT, onInterrupt);
  const auto previousTerm = std::signal(SIGTERM, onInterrupt);
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!interrupted && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // The events go into the stream as they come, so that the statistics work is spread over
    // the recording instead of all falling at its end.
    recorder.takeIn();
  }
  recorder.StopRecording();
  recorder.waitUntilClosed();
  std::signal(SIGINT, previous);
  std::signal(SIGTERM, previousTerm);
  std::fprintf(stderr, "Recorded %llu records (%llu unusable, %llu bytes cut off)%s.\n",
               static_cast<unsigned long long>(recorder.recordsRead()),
               static_cast<unsigned long long>(recorder.unusableRecords()),
               static_cast<unsigned long long>(recorder.remainderBytes()),
               interrupted ? ", interrupted" : "");
  return true;
}

}  // namespace kelvor::cli
