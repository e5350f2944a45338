// A recording against the simulated phone, end to end: the recording thread with its 10 ms
// polls, the takeIn of the engine's owner once a second as the desktop program's refresh does,
// and the checks that nothing was lost and that the statistics equal those of the same records
// saved to and read back from a .run file.
//
//   kelvor_bench_recording [--seconds N] [--rate RECORDS_PER_S] [--fast-records N] [--dir DIR]
//
// Exit status 0 when every record sent was recorded and the statistics agree, 1 otherwise.

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "analysis/StatisticsComparison.h"
#include "io/RunFile.h"
#include "link/SerialRecorder.h"
#include "link/SimulatedPhone.h"
#include "model/ProcessTable.h"
#include "settings/AnalysisSettings.h"
#include "settings/SettingsBackend.h"

namespace kelvor {
namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  double seconds = 5.0;
  double rate = 83300.0;  // 833 records per 10 ms poll: a full read every poll
  std::uint32_t fastRecords = 5000000;
  std::string dir = std::filesystem::temp_directory_path().string();
};

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    if (name == "--seconds") {
      options.seconds = std::atof(argv[i + 1]);
    } else if (name == "--rate") {
      options.rate = std::atof(argv[i + 1]);
    } else if (name == "--fast-records") {
      options.fastRecords = static_cast<std::uint32_t>(std::atol(argv[i + 1]));
    } else if (name == "--dir") {
      options.dir = argv[i + 1];
    }
  }
  return options;
}

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double peakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The CPU time the recording thread has used, read on that thread at each poll.
struct ThreadCpu {
  std::atomic<double> first{-1.0};
  std::atomic<double> last{0.0};
  void sample() {
    const double now = threadCpuSeconds();
    double expected = -1.0;
    first.compare_exchange_strong(expected, now);
    last = now;
  }
};

struct Recording {
  MemorySettingsBackend backend;
  Session session{backend};
  ComSettings comSettings;
  HeadlessRecordingHost host;
  std::unique_ptr<SimulatedPhone> phone;
  std::unique_ptr<MobileLink> link;
  std::unique_ptr<SerialRecorder> recorder;
  ThreadCpu cpu;

  Recording(std::uint32_t records, double rate, bool fast) {
    session.analysis.console = nullptr;
    session.engine = std::make_unique<StatisticsEngine>(session.analysis);
    comSettings.setPortIndex(0);
    GeneratedScenario scenario;
    scenario.recordCount = records;
    scenario.recordsPerSecond = rate;
    scenario.processes = 12;
    scenario.tasks = 6;
    scenario.interrupts = 4;
    scenario.userMarks = 2;
    phone = std::make_unique<SimulatedPhone>(PhoneScenario::generate(scenario));
    phone->setSwitchedOn(true);
    phone->setDeliverAsFastAsAsked(fast);
    link = std::make_unique<MobileLink>(*phone);
    SerialRecorder::Sleeper sleeper;
    if (fast) {
      sleeper = [this](std::chrono::milliseconds) { cpu.sample(); };
    } else {
      sleeper = [this](std::chrono::milliseconds period) {
        cpu.sample();
        std::this_thread::sleep_for(period);
      };
    }
    recorder = std::make_unique<SerialRecorder>(session, *link, comSettings, host, sleeper);
  }
};

double median(std::vector<double> values) {
  if (values.empty()) {
    return 0.0;
  }
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

bool realTimeRun(const Options& options) {
  const auto records = static_cast<std::uint32_t>(options.rate * (options.seconds + 2.0));
  Recording r(records, options.rate, false);
  std::printf("real time: %.0f records/s for %.0f s (%u records in the scenario)\n", options.rate,
              options.seconds, records);
  if (r.recorder->StartRecording(DefaultRefreshRateMs) != RecordStart::Started) {
    std::printf("  the recording did not start\n");
    return false;
  }
  const auto start = Clock::now();
  const auto end = start + std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double>(options.seconds));
  std::vector<double> takeInMs;
  auto next = start + std::chrono::milliseconds(DefaultRefreshRateMs);
  while (Clock::now() < end) {
    std::this_thread::sleep_until(std::min(next, end));
    if (Clock::now() >= next) {
      const auto t0 = Clock::now();
      r.recorder->takeIn();
      takeInMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      next += std::chrono::milliseconds(DefaultRefreshRateMs);
    }
  }
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = r.cpu.last.load() - r.cpu.first.load();
  r.recorder->StopRecording();
  r.recorder->waitUntilClosed();

  const std::uint64_t sent = r.phone->recordsSent();
  const std::uint64_t read = r.recorder->recordsRead();
  const std::size_t events = r.session.engine->stream().size();
  std::printf("  records sent %llu, read %llu, events in the stream %zu, lost %lld\n",
              static_cast<unsigned long long>(sent), static_cast<unsigned long long>(read), events,
              static_cast<long long>(sent) - static_cast<long long>(events));
  std::printf("  sustained %.0f records/s; recording thread CPU %.1f %% of one core\n",
              static_cast<double>(read) / wall, 100.0 * cpu / wall);
  std::printf("  takeIn per refresh: median %.2f ms, max %.2f ms over %zu refreshes\n",
              median(takeInMs),
              takeInMs.empty() ? 0.0 : *std::max_element(takeInMs.begin(), takeInMs.end()),
              takeInMs.size());
  bool ok = sent == read && events == sent;

  // The same records saved and read back.
  const std::string path = options.dir + "/kelvor-bench-recording.run";
  const auto t0 = Clock::now();
  if (RunFile::write(*r.session.engine, r.session.processTable, path) != 0) {
    std::printf("  the .run file could not be written to %s\n", path.c_str());
    return false;
  }
  AnalysisContext context;
  context.console = nullptr;
  StatisticsEngine loaded(context);
  const RunReadResult result = RunFile::read(loaded, path, nullptr);
  std::filesystem::remove(path);
  const std::size_t differ = differingRecords(*r.session.engine, loaded);
  std::printf("  .run round trip (%.1f s): read result %u, %zu events, %zu of %zu records differ\n",
              std::chrono::duration<double>(Clock::now() - t0).count(), result.code,
              loaded.stream().size(), differ, r.session.engine->statistics().size());
  ok = ok && result.code == RunFile::ReadOk && loaded.stream().size() == events && differ == 0;
  std::printf("  peak RSS %.0f MB\n", peakRssMb());
  return ok;
}

bool asFastAsItCan(const Options& options) {
  Recording r(options.fastRecords, options.rate, true);
  if (r.recorder->StartRecording(DefaultRefreshRateMs) != RecordStart::Started) {
    return false;
  }
  const auto start = Clock::now();
  double readAt = 0.0;
  while (r.session.engine->stream().size() < options.fastRecords) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (readAt == 0.0 && r.recorder->recordsRead() >= options.fastRecords) {
      readAt = std::chrono::duration<double>(Clock::now() - start).count();
    }
    r.recorder->takeIn();
  }
  const double all = std::chrono::duration<double>(Clock::now() - start).count();
  if (readAt == 0.0) {
    readAt = all;
  }
  r.recorder->StopRecording();
  r.recorder->waitUntilClosed();
  std::printf(
      "as fast as it can: %u records read in %.3f s (%.1f M records/s on the "
      "recording thread), in the stream with the statistics after %.3f s (%.1f M "
      "records/s)\n",
      options.fastRecords, readAt, options.fastRecords / readAt / 1e6, all,
      options.fastRecords / all / 1e6);
  return r.session.engine->stream().size() == options.fastRecords;
}

}  // namespace
}  // namespace kelvor

int main(int argc, char** argv) {
  const kelvor::Options options = kelvor::parse(argc, argv);
  const bool realTime = kelvor::realTimeRun(options);
  const bool fast = kelvor::asFastAsItCan(options);
  std::printf("%s\n", realTime && fast ? "OK" : "FAILED");
  return realTime && fast ? 0 : 1;
}
