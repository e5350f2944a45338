#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "analysis/IncrementalAnalysis.h"
#include "link/MobileLink.h"
#include "link/TraceRecordDecoder.h"
#include "session/Session.h"
#include "settings/ComSettings.h"

namespace kelvor {

// What a recording needs from the program around it.
class RecordingHost {
 public:
  virtual ~RecordingHost() = default;
  // The save command; false when the user cancelled it.
  virtual bool saveData() = 0;
  // The document lets its views drop the old data and take the (now empty) new data.
  virtual void resetViews() = 0;
  // The refresh timer of the views, in milliseconds.
  virtual void startRefresh(int periodMs) = 0;
  virtual void stopRefresh() = 0;
  // A recording ended: the time-step chart redraws.
  virtual void recordingStopped() = 0;
};

// The host of a run without views (the batch tool, benchmarks): nothing to refresh, and no save
// command of its own, since the outputs are written after the recording.
class HeadlessRecordingHost final : public RecordingHost {
 public:
  bool saveData() override { return false; }
  void resetViews() override {}
  void startRefresh(int) override {}
  void stopRefresh() override {}
  void recordingStopped() override {}
};

// How "Record" ended.
enum class RecordStart {
  Started,
  Cancelled,        // a question or the save command was cancelled: nothing changed
  ConnectFailed,    // the link could not be opened; its message was shown
  TraceNotEnabled,  // the phone refused or did not answer the trace command
};

inline constexpr const char* TraceNotEnabledText =
    "Serial Tracing Not Enabled on the mobile side !!";
inline constexpr const char* TraceEnableErrorText = "Error in Enabling Serial Tracing.";

// The message "Record" shows for a failed connection (results other than 0 and 14).
std::string connectFailureMessage(LinkResult result, const ComSettings& settings);

// The one live recording of the program: "Record" opens the link and starts the recording
// thread, which reads a chunk every 10 ms and turns its records into events; "Stop" lets the
// thread close the link.
//
// The thread never touches the engine. It adds the events of each chunk to a pending batch while
// it holds DataSem; the thread that owns the engine (the user-interface thread at every refresh,
// or the batch tool's main thread) calls takeIn(), which takes the batch under DataSem, appends
// it to the stream and brings the statistics up to date with an incremental analysis. So the
// stream, the statistics and the seen ids change only on the owner's thread, and every reader
// there sees a consistent prefix of the recording without a lock, while the recording thread
// waits for DataSem at most as long as a batch takes to be swapped out.
class SerialRecorder {
 public:
  using Sleeper = std::function<void(std::chrono::milliseconds)>;
  static constexpr std::chrono::milliseconds PollPeriod{10};
  // Chunks read at most per poll.
  static constexpr int MaxReadsPerPoll = 16;
  // After the disable command the link is read, a poll period apart while it has nothing, until
  // it has been quiet for this many polls in a row; at most DrainMaxReads chunks are read.
  static constexpr int DrainQuietPolls = 10;
  static constexpr int DrainMaxReads = 100000;

  SerialRecorder(Session& session, MobileLink& link, ComSettings& comSettings, RecordingHost& host,
                 Sleeper sleeper = {});
  ~SerialRecorder();
  SerialRecorder(const SerialRecorder&) = delete;
  SerialRecorder& operator=(const SerialRecorder&) = delete;

  RecordStart StartRecording(int refreshRateMs);
  // Ends the recording: waits until the thread has read its last chunk (at most one poll and
  // one read), takes in what it read and leaves the thread to close the link.
  void StopRecording();
  // Waits until the recording thread has closed the link (after StopRecording).
  void waitUntilClosed();

  // Moves the events read since the last call into the session's stream and brings the
  // statistics up to date: afterwards they are exactly those of a full analysis of the stream.
  // Called by the owner of the engine; returns the number of events taken in.
  std::size_t takeIn();

  bool HasUnsavedData() const { return unsaved_.load(); }
  void MarkSaved() { unsaved_ = false; }
  bool recording() const { return !stopRequest_.load(); }

  std::mutex& DataSem() { return dataSem_; }

  // Records taken from the link in this recording, and those that gave no event (an unknown
  // type) or were cut off (bytes of a chunk's incomplete last record).
  std::uint64_t recordsRead() const { return recordsRead_.load(); }
  std::uint64_t unusableRecords() const { return unusable_.load(); }
  std::uint64_t remainderBytes() const { return remainder_.load(); }

 private:
  void recordingThread();
  void processChunk(const std::uint8_t* bytes, std::uint16_t length);
  // Reads one chunk and decodes it; false when the link had none.
  bool readOneChunk(std::array<std::uint8_t, MobileLink::ChunkBufferSize>& buffer);
  // The end of a recording after a successful disable command: default rate and frame size,
  // then the link is closed.
  void closingSequence();
  void waitForLastChunk();

  Session& session_;
  MobileLink& link_;
  ComSettings& comSettings_;
  RecordingHost& host_;
  Sleeper sleeper_;
  std::mutex dataSem_;
  std::atomic<bool> stopRequest_{true};
  std::atomic<bool> unsaved_{false};
  std::atomic<std::uint64_t> recordsRead_{0};
  std::atomic<std::uint64_t> unusable_{0};
  std::atomic<std::uint64_t> remainder_{0};
  // Written by the recording thread under DataSem, taken by takeIn().
  TraceRecordDecoder decoder_;
  SeenIdTable seenIds_;
  std::vector<TraceEvent> pending_;
  bool reading_ = false;  // the thread's read loop runs
  std::condition_variable readingEnded_;
  // Owned by the engine's thread.
  std::vector<TraceEvent> batch_;
  std::unique_ptr<IncrementalAnalysis> analysis_;
  std::thread thread_;
};

}  // namespace kelvor
