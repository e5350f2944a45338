// kelvor-phone-sim: a simulated phone served over Kelvor's serial link framing, on a new
// pseudo-terminal or on a serial device, so that the whole serial path can be tried without a
// phone. The first line of its output is the device the PC side opens; it serves until it is
// ended (Ctrl+C or SIGTERM) and then prints how many records it sent.
#include <atomic>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "PosixLine.h"
#include "link/PhoneServer.h"
#include "link/SimulatedPhone.h"
#include "session/TraceLoader.h"
#include "settings/SettingsBackend.h"

namespace {

using namespace kelvor;

constexpr const char* kUsage =
    "Usage: kelvor-phone-sim (--pty | --device PATH) [--baud B] [--rate R] [--records N]\n"
    "                        [--replay FILE] [--as-fast] [--fail STEP]...\n"
    "\n"
    "Serves a simulated phone over Kelvor's serial link on a new pseudo-terminal (--pty) or\n"
    "on a serial device. Prints the device to open on its first line, serves until it is\n"
    "ended, then prints \"records sent: N\".\n"
    "\n"
    "  --baud B      the device's rate at start (default 115200; a pseudo-terminal takes any)\n"
    "  --rate R      trace records per second (default 10000)\n"
    "  --records N   records of the generated scenario (default ten minutes at the rate)\n"
    "  --replay FILE stream the events of a trace file (.run, .mes, .prn, .txt) instead\n"
    "  --as-fast     deliver records as fast as they are read instead of at their times\n"
    "  --fail STEP   make a step fail: ping, trace-ee, trace-other, trace-none, frame-size,\n"
    "                switch-on, switch-off, baud\n";

std::atomic<bool> ended{false};

extern "C" void onEnd(int) {
  ended = true;
}

struct Options {
  bool pty = false;
  std::string device;
  std::uint32_t baud = BaseBaudRate;
  double rate = 10000.0;
  std::uint64_t records = 0;
  std::string replay;
  bool asFast = false;
  PhoneFaults faults;
};

template <typename Number>
bool parseNumber(std::string_view text, Number& out) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size() && out > 0;
}

bool applyFault(std::string_view step, PhoneFaults& f) {
  using F = PhoneFaults;
  if (step == "ping")
    f.pingUnanswered = true;
  else if (step == "trace-ee")
    f.traceReply = F::TraceReply::NotEnabled;
  else if (step == "trace-other")
    f.traceReply = F::TraceReply::Other;
  else if (step == "trace-none")
    f.traceReply = F::TraceReply::None;
  else if (step == "frame-size")
    f.frameSizeReply = F::FrameSizeReply::OtherSize;
  else if (step == "switch-on")
    f.switchOnFails = true;
  else if (step == "switch-off")
    f.switchOffFails = true;
  else if (step == "baud")
    f.mobileAndPcBaudFails = true;
  else
    return false;
  return true;
}

int usageError(const std::string& message) {
  std::fprintf(stderr, "kelvor-phone-sim: %s\n\n%s", message.c_str(), kUsage);
  return 2;
}

std::optional<PhoneScenario> makeScenario(const Options& options, std::string& error) {
  if (!options.replay.empty()) {
    MemorySettingsBackend backend;
    Session session(backend);
    session.analysis.console = nullptr;
    if (openTraceFile(session, options.replay) != OpenResult::Loaded) {
      error = "cannot read the trace file " + options.replay;
      return std::nullopt;
    }
    const EventStream& stream = session.engine->stream();
    return PhoneScenario::replay(std::vector<TraceEvent>(stream.begin(), stream.end()));
  }
  GeneratedScenario scenario;
  scenario.recordsPerSecond = options.rate;
  // The scenario is made before serving starts: ten minutes keep that quick at any rate.
  const double tenMinutes = options.rate * 600.0;
  const std::uint64_t count =
      options.records != 0 ? options.records : static_cast<std::uint64_t>(tenMinutes);
  scenario.recordCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, 0xFFFFFFFFu));
  return PhoneScenario::generate(scenario);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg == "--pty") {
      options.pty = true;
    } else if (arg == "--device") {
      const char* text = value();
      if (text == nullptr)
        return usageError("--device needs a path");
      options.device = text;
    } else if (arg == "--baud") {
      const char* text = value();
      if (text == nullptr || !parseNumber(text, options.baud))
        return usageError("bad --baud");
    } else if (arg == "--rate") {
      const char* text = value();
      if (text == nullptr || !parseNumber(text, options.rate))
        return usageError("bad --rate");
    } else if (arg == "--records") {
      const char* text = value();
      if (text == nullptr || !parseNumber(text, options.records)) {
        return usageError("bad --records");
      }
    } else if (arg == "--replay") {
      const char* text = value();
      if (text == nullptr)
        return usageError("--replay needs a file");
      options.replay = text;
    } else if (arg == "--as-fast") {
      options.asFast = true;
    } else if (arg == "--fail") {
      const char* text = value();
      if (text == nullptr || !applyFault(text, options.faults))
        return usageError("bad --fail");
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else {
      return usageError("unknown option " + std::string(arg));
    }
  }
  if (options.pty == !options.device.empty()) {
    return usageError("give either --pty or --device PATH");
  }

  std::string error;
  std::optional<PhoneScenario> scenario;
  try {
    scenario = makeScenario(options, error);
  } catch (const std::exception& e) {
    error = e.what();
  }
  if (!scenario) {
    std::fprintf(stderr, "kelvor-phone-sim: %s\n", error.c_str());
    return 1;
  }
  std::unique_ptr<phonesim::PosixLine> line;
  if (options.pty) {
    line = phonesim::PosixLine::openPseudoTerminal(error);
  } else {
    line = std::make_unique<phonesim::PosixLine>(options.device);
    if (!line->open(options.baud)) {
      error = line->errorText();
      line.reset();
    }
  }
  if (!line) {
    std::fprintf(stderr, "kelvor-phone-sim: %s\n", error.c_str());
    return 1;
  }

  SimulatedPhone phone(std::move(*scenario));
  phone.setSwitchedOn(true);
  phone.setDeliverAsFastAsAsked(options.asFast);
  phone.faults() = options.faults;
  PhoneServer server(phone, *line);

  std::signal(SIGINT, onEnd);
  std::signal(SIGTERM, onEnd);
  std::printf("%s\n", line->name().c_str());
  std::fflush(stdout);
  while (!ended.load()) {
    server.step(std::chrono::milliseconds(5));
  }
  std::printf("records sent: %llu\n", static_cast<unsigned long long>(phone.recordsSent()));
  return 0;
}
