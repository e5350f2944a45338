// A whole recording on arbitrary link data: the phone's trace channel hands over chunks of any
// length and content (cut records, unknown types, times that go back or wrap), taken in by the
// recorder between reads. The recording must end cleanly, every decoded record must be in the
// stream, time must never go back, and the statistics kept during the recording must be those
// of one full analysis of the stream.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <thread>
#include <vector>

#include "analysis/StatisticsComparison.h"
#include "link/LinkLibrary.h"
#include "link/MobileLink.h"
#include "link/SerialRecorder.h"
#include "settings/SettingsBackend.h"

namespace {

using namespace kelvor;

void check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

// A link library whose every step succeeds and whose trace channel gives the chunks of the
// input, one per read.
class ScriptedLink final : public LinkLibrary {
 public:
  explicit ScriptedLink(std::deque<std::vector<std::uint8_t>> chunks)
      : chunks_(std::move(chunks)) {}

  bool exhausted() const { return exhausted_.load(); }

  LinkStatus init(std::uint32_t) override { return LinkSuccess; }
  LinkHandle initThread() override { return 7; }
  LinkStatus openCom(LinkHandle, std::uint32_t&) override { return LinkSuccess; }
  LinkStatus closeCom(LinkHandle) override { return LinkSuccess; }
  LinkStatus deInitThread(LinkHandle) override { return LinkSuccess; }
  std::uint32_t setPredefinedBootType(std::uint32_t value) override { return value; }
  LinkStatus pingMobile(LinkHandle) override { return LinkSuccess; }
  LinkStatus openSapi(LinkHandle, std::uint8_t) override { return LinkSuccess; }
  LinkStatus sendData(LinkHandle, const std::uint8_t* data, std::uint16_t count,
                      std::uint8_t sapi) override {
    if (sapi == TraceSapi && count == 1 && data[0] == EnableTraceCommand) {
      reply_ = {TraceSapi, {TraceEnabledReply}};
      tracing_ = true;
    } else if (sapi == FrameSizeSapi && count == 3) {
      reply_ = {FrameSizeSapi, {data[0], data[1], data[2]}};
    } else if (sapi == TraceSapi && count == 1 && data[0] == DisableTraceCommand) {
      tracing_ = false;
    }
    return LinkSuccess;
  }
  LinkStatus readData(LinkHandle, std::uint8_t* buffer, std::uint16_t& length,
                      std::uint8_t& sapi) override {
    const std::uint16_t capacity = length;
    length = 0;
    if (!reply_.second.empty() && reply_.first == sapi) {
      length = static_cast<std::uint16_t>(std::min<std::size_t>(capacity, reply_.second.size()));
      std::memcpy(buffer, reply_.second.data(), length);
      reply_.second.clear();
      return LinkSuccess;
    }
    if (sapi != TraceSapi || !tracing_ || chunks_.empty()) {
      exhausted_ = tracing_ && chunks_.empty();
      return LinkFailure;
    }
    const std::vector<std::uint8_t>& chunk = chunks_.front();
    length = static_cast<std::uint16_t>(std::min<std::size_t>(capacity, chunk.size()));
    std::memcpy(buffer, chunk.data(), length);
    chunks_.pop_front();
    return LinkSuccess;
  }
  LinkStatus requestMobAndPcBaudrate(LinkHandle, std::uint32_t) override { return LinkSuccess; }
  LinkStatus setNewPcBaudrate(LinkHandle, std::uint32_t) override { return LinkSuccess; }
  LinkStatus switchMobileOn(LinkHandle, std::uint32_t) override { return LinkSuccess; }
  LinkStatus switchMobileOff(LinkHandle) override { return LinkSuccess; }
  LinkStatus getCurrentBaudrate(LinkHandle, std::uint32_t& baud) override {
    baud = BaseBaudRate;
    return LinkSuccess;
  }
  LinkStatus switchFromXtspToQflMode(LinkHandle) override { return LinkSuccess; }
  LinkStatus readConfData(std::uint32_t&, std::uint32_t&, std::uint32_t&) override {
    return LinkFailure;
  }
  LinkStatus writeConfData(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) override {
    return LinkFailure;
  }
  std::string versionText() const override { return "scripted"; }

 private:
  std::deque<std::vector<std::uint8_t>> chunks_;
  std::pair<std::uint8_t, std::vector<std::uint8_t>> reply_;
  bool tracing_ = false;
  std::atomic<bool> exhausted_{false};
};

// Chunks of the input: each begins with a byte giving its length, scaled to the trace buffer.
std::deque<std::vector<std::uint8_t>> chunksOf(const std::uint8_t* data, std::size_t size) {
  std::deque<std::vector<std::uint8_t>> chunks;
  std::size_t at = 0;
  while (at < size) {
    const std::size_t wanted = static_cast<std::size_t>(data[at++]) * 20;
    const std::size_t length = std::min(wanted, size - at);
    chunks.emplace_back(data + at, data + at + length);
    at += length;
  }
  return chunks;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ScriptedLink library(chunksOf(data, size));
  MobileLink link(library, [](std::chrono::milliseconds) {});
  MemorySettingsBackend backend;
  Session session(backend);
  session.analysis.console = nullptr;
  session.engine = std::make_unique<StatisticsEngine>(session.analysis);
  ComSettings comSettings;
  HeadlessRecordingHost host;
  SerialRecorder recorder(session, link, comSettings, host,
                          [](std::chrono::milliseconds) { std::this_thread::yield(); });
  check(recorder.StartRecording(1000) == RecordStart::Started);
  while (!library.exhausted()) {
    recorder.takeIn();  // as the refresh timer would, while the thread reads
    std::this_thread::yield();
  }
  recorder.StopRecording();
  recorder.waitUntilClosed();

  const EventStream& stream = session.engine->stream();
  check(stream.size() == recorder.recordsRead() - recorder.unusableRecords());
  for (std::size_t i = 1; i < stream.size(); ++i) {
    check(stream[i - 1].time <= stream[i].time);
  }
  check(differenceFromFullAnalysis(*session.engine).empty());
  return 0;
}
