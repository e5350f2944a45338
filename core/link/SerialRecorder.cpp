#include "link/SerialRecorder.h"

#include <array>
#include <cstdio>
#include <new>

#include "common/TextFormat.h"

namespace kelvor {

std::string connectFailureMessage(LinkResult result, const ComSettings& settings) {
  std::string text;
  const int port = settings.portIndex() + 1;
  switch (result) {
    case LinkResult::OpenComFailed:
      appendFormat(text, "Unable to open COM Port %d.", port);
      break;
    case LinkResult::PingUnanswered:
      appendFormat(text, "Unable to ping the mobile at COM%d, Begin Baud %d and Switch up Baud %d",
                   port, static_cast<int>(settings.defaultBaudRate()),
                   static_cast<int>(settings.switchUpBaudRate()));
      break;
    case LinkResult::FrameSizeFailed:
      text = "Unable to set frame size.";
      break;
    case LinkResult::PcBaudFailed:
      text = "Unable to set baud rate.";
      break;
    case LinkResult::OpenSapiFailed:
      text = "Unable to open SAPI.";
      break;
    case LinkResult::BaudStepFailed:
      text = "Unable to set baud rate of PC and Mobile";
      break;
    default:
      text = "Unknown error occured.";
      break;
  }
  return text;
}

namespace {

// Once a recording's stream outgrows its storage past a quarter of a million events, storage for
// ten minutes at the link's top rate (833 records per poll) is reserved. Only the pages the
// events fill are ever touched, and the stream is not moved again (a copy of up to gigabytes on
// the thread that takes the events in, stalling its window) before that much has been recorded.
// Short recordings never reserve. Where the address space cannot be had, the stream grows as
// usual.
constexpr std::size_t ReserveFromEvents = std::size_t{1} << 18;
constexpr std::size_t ReservedEvents = 600 * 100 * 833;

void reserveAhead(EventStream& stream, std::size_t needed) {
  if (needed <= stream.capacity() || needed < ReserveFromEvents ||
      stream.capacity() >= ReservedEvents) {
    return;
  }
  try {
    stream.reserve(ReservedEvents);
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace

SerialRecorder::SerialRecorder(Session& session, MobileLink& link, ComSettings& comSettings,
                               RecordingHost& host, Sleeper sleeper)
    : session_(session),
      link_(link),
      comSettings_(comSettings),
      host_(host),
      sleeper_(sleeper ? std::move(sleeper) : Sleeper([](std::chrono::milliseconds d) {
        std::this_thread::sleep_for(d);
      })),
      decoder_(seenIds_) {}

SerialRecorder::~SerialRecorder() {
  stopRequest_ = true;
  if (thread_.joinable()) {
    thread_.join();
  }
}

RecordStart SerialRecorder::StartRecording(int refreshRateMs) {
  if (recording()) {
    // One recording at a time; waiting for the running one would never end.
    return RecordStart::Cancelled;
  }
  if (thread_.joinable()) {
    // The previous recording's thread may still be closing the link.
    thread_.join();
  }
  Prompter* prompter = session_.prompter();
  session_.seenIds.clear();
  {
    std::lock_guard lock(dataSem_);
    seenIds_.clear();
    pending_.clear();
  }
  if (needsRunSave(session_.dataOrigin) && prompter != nullptr) {
    const PromptAnswer answer =
        prompter->askYesNoCancel(SaveRunQuestion, ApplicationTitle, PromptIcon::Question);
    if (answer == PromptAnswer::Cancel || (answer == PromptAnswer::Yes && !host_.saveData())) {
      return RecordStart::Cancelled;
    }
  }
  session_.dataOrigin = DataOrigin::Live;
  if (HasUnsavedData() && prompter != nullptr) {
    const PromptAnswer answer =
        prompter->askYesNoCancel(SaveDataQuestion, ApplicationTitle, PromptIcon::Question);
    if (answer == PromptAnswer::Cancel) {
      return RecordStart::Cancelled;
    }
    if (answer == PromptAnswer::Yes && !host_.saveData()) {
      return RecordStart::Cancelled;
    }
    MarkSaved();
  }

  stopRequest_ = false;
  {
    std::lock_guard lock(dataSem_);
    session_.engine->resetStatistics();
  }
  LinkResult result = link_.connect(static_cast<std::uint32_t>(comSettings_.portIndex()),
                                    comSettings_.defaultBaudRate());
  if (result == LinkResult::Success) {
    link_.setBaudRate(comSettings_.switchUpBaudRate(), true);
    auto frameSize = static_cast<std::uint16_t>(comSettings_.switchUpFrameSize());
    result = link_.setFrameSize(frameSize);
    comSettings_.setSwitchUpFrameSize(frameSize);
    if (result == LinkResult::Success) {
      unsaved_ = true;
    }
  }
  if (result != LinkResult::Success && result != LinkResult::FrameSizeChanged) {
    if (prompter != nullptr) {
      prompter->message(connectFailureMessage(result, comSettings_), ApplicationTitle,
                        PromptIcon::Warning);
    }
    // A link opened before a later step failed is closed again: left open, the port could not
    // be opened by the next "Record".
    if (link_.connected()) {
      link_.disconnect();
    }
    stopRequest_ = true;
    return RecordStart::ConnectFailed;
  }

  decoder_.reset();
  result = link_.enableTrace();
  if (result != LinkResult::Success) {
    if (prompter != nullptr) {
      prompter->message(
          result == LinkResult::TraceNotEnabledOnPhone ? TraceNotEnabledText : TraceEnableErrorText,
          ApplicationTitle, PromptIcon::Warning);
    }
    // The link is closed again: a recording that did not start leaves no port open.
    link_.disconnect();
    stopRequest_ = true;
    return RecordStart::TraceNotEnabled;
  }

  // The old data go before the thread appends the first new event.
  {
    std::lock_guard lock(dataSem_);
    session_.acquisitionState = AcquisitionState::Recording;
    session_.engine->clear();
    analysis_ = std::make_unique<IncrementalAnalysis>(*session_.engine);
    recordsRead_ = 0;
    unusable_ = 0;
    remainder_ = 0;
    reading_ = true;
  }
  host_.resetViews();
  thread_ = std::thread([this] { recordingThread(); });
  host_.startRefresh(refreshRateMs);
  return RecordStart::Started;
}

void SerialRecorder::StopRecording() {
  session_.acquisitionState = AcquisitionState::Stopped;
  stopRequest_ = true;
  session_.dataOrigin = DataOrigin::Live;
  host_.stopRefresh();
  // The last chunk read belongs to the recording: the views show it and a save right after
  // "Stop" writes it.
  waitForLastChunk();
  takeIn();
  host_.recordingStopped();
}

void SerialRecorder::waitForLastChunk() {
  std::unique_lock lock(dataSem_);
  readingEnded_.wait(lock, [this] { return !reading_; });
}

void SerialRecorder::waitUntilClosed() {
  if (thread_.joinable()) {
    thread_.join();
  }
  takeIn();
}

std::size_t SerialRecorder::takeIn() {
  batch_.clear();
  {
    std::lock_guard lock(dataSem_);
    batch_.swap(pending_);
    session_.seenIds.markAll(seenIds_);
  }
  if (batch_.empty() || !analysis_) {
    return 0;
  }
  EventStream& stream = session_.engine->stream();
  reserveAhead(stream, stream.size() + batch_.size());
  for (const TraceEvent& event : batch_) {
    stream.append(event);
  }
  // The statistics of everything recorded so far, as a full analysis would give them.
  analysis_->update();
  return batch_.size();
}

void SerialRecorder::recordingThread() {
  std::array<std::uint8_t, MobileLink::ChunkBufferSize> buffer{};
  while (!stopRequest_.load()) {
    sleeper_(PollPeriod);
    // A link that hands over smaller chunks more often than once a poll is read until it has
    // nothing more, so that it never falls behind the phone.
    for (int read = 0; read < MaxReadsPerPoll && readOneChunk(buffer); ++read) {
    }
  }
  // Records the phone sent before it took the disable command are still on their way: they
  // belong to the recording. The link is read until it stays quiet.
  const bool disabled = link_.disableTrace() == LinkResult::Success;
  if (disabled) {
    for (int quiet = 0, read = 0; quiet < DrainQuietPolls && read < DrainMaxReads; ++read) {
      if (readOneChunk(buffer)) {
        quiet = 0;
      } else {
        ++quiet;
        sleeper_(PollPeriod);
      }
    }
  }
  {
    std::lock_guard lock(dataSem_);
    reading_ = false;
  }
  readingEnded_.notify_all();
  if (disabled) {
    closingSequence();
  }
  // Records taken in are never dropped without the save question, even when the link broke
  // and the closing sequence could not run to its end.
  if (recordsRead_.load() > 0) {
    unsaved_ = true;
  }
}

bool SerialRecorder::readOneChunk(std::array<std::uint8_t, MobileLink::ChunkBufferSize>& buffer) {
  auto length = static_cast<std::uint16_t>(buffer.size());
  if (link_.readChunk(buffer.data(), length) != LinkResult::Success || length == 0) {
    return false;
  }
  processChunk(buffer.data(), std::min(length, static_cast<std::uint16_t>(buffer.size())));
  return true;
}

void SerialRecorder::processChunk(const std::uint8_t* bytes, std::uint16_t length) {
  std::lock_guard lock(dataSem_);
  const std::uint64_t unusableBefore = decoder_.unusableRecords();
  const std::uint64_t remainderBefore = decoder_.remainderBytes();
  const std::uint64_t decodedBefore = decoder_.recordsDecoded();
  decoder_.decodeChunk(std::span<const std::uint8_t>(bytes, length), pending_);
  recordsRead_ += decoder_.recordsDecoded() - decodedBefore;
  unusable_ += decoder_.unusableRecords() - unusableBefore;
  remainder_ += decoder_.remainderBytes() - remainderBefore;
}

void SerialRecorder::closingSequence() {
  link_.setBaudRate(comSettings_.defaultBaudRate(), true);
  auto frameSize = static_cast<std::uint16_t>(comSettings_.defaultFrameSize());
  if (link_.setFrameSize(frameSize) != LinkResult::Success) {
    return;
  }
  if (link_.disconnect() != LinkResult::Success) {
    return;
  }
  unsaved_ = true;
}

}  // namespace kelvor
