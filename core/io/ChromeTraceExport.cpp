#include "io/ChromeTraceExport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "analysis/ProcessStats.h"
#include "common/AtomicFile.h"
#include "common/JsonText.h"

namespace kelvor {

namespace {

constexpr double MicrosecondsPerSecond = 1.0e6;
// The events gather in a buffer of about this size before they go to the file.
constexpr std::size_t FlushBytes = std::size_t{1} << 16;
// Stretches between two progress posts.
constexpr std::size_t ProgressStep = std::size_t{1} << 16;

// The track groups, one per entry class, and the group of the clock and the marks after them.
struct TrackGroup {
  std::uint32_t entryClass;
  std::string_view name;
};
constexpr std::array<TrackGroup, 4> EntryGroups = {{{ProcessClass, "Processes"},
                                                    {TaskClass, "Tasks"},
                                                    {HisrClass, "HISRs"},
                                                    {InterruptClass, "Interrupts"}}};
constexpr std::uint32_t ClockGroup = InterruptClass + 1;
constexpr std::string_view ClockGroupName = "Clock";
constexpr std::string_view ClockCounterName = "Clock";
constexpr std::string_view ClockValueName = "MHz";
constexpr std::string_view UndefinedCategory = "undefined";

// Collects the events in a buffer and hands it to the file in large pieces, separating the
// events by a comma and a line end.
class EventWriter {
 public:
  explicit EventWriter(AtomicFileWriter& file) : file_(file) {
    buffer_.reserve(FlushBytes + FlushBytes / 4);
    buffer_ += "{\"traceEvents\":[";
  }

  // The buffer, after the separator of a new event; a full buffer goes to the file first.
  std::string& next() {
    if (buffer_.size() >= FlushBytes) {
      file_.write(buffer_);
      buffer_.clear();
    }
    buffer_ += first_ ? "\n" : ",\n";
    first_ = false;
    return buffer_;
  }
  // False once a write failed: the rest need not be made.
  bool good() const { return file_.good(); }
  void finish() {
    buffer_ += "\n],\"displayTimeUnit\":\"ns\"}\n";
    file_.write(buffer_);
    buffer_.clear();
  }

 private:
  AtomicFileWriter& file_;
  std::string buffer_;
  bool first_ = true;
};

double microseconds(double seconds) {
  return seconds * MicrosecondsPerSecond;
}

std::string_view groupName(std::uint32_t entryClass) {
  for (const TrackGroup& group : EntryGroups) {
    if (group.entryClass == entryClass) {
      return group.name;
    }
  }
  return "Entries";
}

// `{"ph":"M","name":"<kind>","pid":P,"tid":T,"args":{"<key>":` — the value and "}}" follow.
void beginMetadata(std::string& out, std::string_view kind, std::uint32_t pid, std::uint32_t tid,
                   std::string_view key) {
  out += "{\"ph\":\"M\",\"name\":\"";
  out += kind;
  out += "\",\"pid\":";
  out += std::to_string(pid);
  out += ",\"tid\":";
  out += std::to_string(tid);
  out += ",\"args\":{\"";
  out += key;
  out += "\":";
}

void nameMetadata(EventWriter& writer, std::string_view kind, std::uint32_t pid, std::uint32_t tid,
                  std::string_view name) {
  std::string& out = writer.next();
  beginMetadata(out, kind, pid, tid, "name");
  appendJsonString(out, name);
  out += "}}";
}

void sortMetadata(EventWriter& writer, std::string_view kind, std::uint32_t pid, std::uint32_t tid,
                  std::uint32_t index) {
  std::string& out = writer.next();
  beginMetadata(out, kind, pid, tid, "sort_index");
  out += std::to_string(index);
  out += "}}";
}

void writeMetadata(EventWriter& writer, const std::vector<TimelineTrack>& tracks, bool clockShown) {
  std::array<bool, ClockGroup + 1> used{};
  for (const TimelineTrack& track : tracks) {
    if (track.entryClass < used.size()) {
      used[track.entryClass] = true;
    }
  }
  for (const TrackGroup& group : EntryGroups) {
    if (used[group.entryClass]) {
      nameMetadata(writer, "process_name", group.entryClass, 0, group.name);
      sortMetadata(writer, "process_sort_index", group.entryClass, 0, group.entryClass);
    }
  }
  for (const TimelineTrack& track : tracks) {
    if (track.entryClass >= used.size()) {
      nameMetadata(writer, "process_name", track.entryClass, 0, groupName(track.entryClass));
    }
    nameMetadata(writer, "thread_name", track.entryClass, track.entry, track.name);
    sortMetadata(writer, "thread_sort_index", track.entryClass, track.entry, track.sortIndex);
  }
  if (clockShown) {
    nameMetadata(writer, "process_name", ClockGroup, 0, ClockGroupName);
    sortMetadata(writer, "process_sort_index", ClockGroup, 0, ClockGroup);
  }
}

bool finite(double value) {
  return std::isfinite(value);
}

bool inside(double time, const std::optional<TimeWindow>& window) {
  return finite(time) && (!window || (time >= window->start && time <= window->end));
}

void counterEvent(EventWriter& writer, double time, double mhz) {
  std::string& out = writer.next();
  out += "{\"ph\":\"C\",\"name\":\"";
  out += ClockCounterName;
  out += "\",\"pid\":";
  out += std::to_string(ClockGroup);
  out += ",\"tid\":0,\"ts\":";
  appendJsonNumber(out, microseconds(time));
  out += ",\"args\":{\"";
  out += ClockValueName;
  out += "\":";
  appendJsonNumber(out, mhz);
  out += "}}";
}

// The clock curve as counter values; in a window, the value held at its start first.
void writeClock(EventWriter& writer, const std::vector<ClockPoint>& curve,
                const std::optional<TimeWindow>& window) {
  std::optional<double> held;
  for (const ClockPoint& point : curve) {
    if (!finite(point.mhz) || !finite(point.time)) {
      continue;
    }
    if (window && point.time <= window->start) {
      held = point.mhz;
    } else if (inside(point.time, window)) {
      if (held) {
        counterEvent(writer, window->start, *held);
        held.reset();
      }
      counterEvent(writer, point.time, point.mhz);
    }
  }
  if (held) {
    counterEvent(writer, window->start, *held);
  }
}

void writeMarks(EventWriter& writer, const std::vector<UserMarkPosition>& marks,
                const std::optional<TimeWindow>& window) {
  for (const UserMarkPosition& mark : marks) {
    if (!inside(mark.time, window)) {
      continue;
    }
    std::string& out = writer.next();
    out += "{\"ph\":\"i\",\"s\":\"g\",\"name\":\"Mark ";
    out += std::to_string(mark.number);
    out += "\",\"pid\":";
    out += std::to_string(ClockGroup);
    out += ",\"tid\":0,\"ts\":";
    appendJsonNumber(out, microseconds(mark.time));
    out += '}';
  }
}

// `{"ph":"X",["cat":...,]"pid":P,"tid":T,"name":"...","ts":` — the same for every stretch of a
// track, so it is made once.
std::string stretchPrefix(const TimelineTrack& track, bool undefined) {
  std::string prefix = "{\"ph\":\"X\",";
  if (undefined) {
    prefix += "\"cat\":\"";
    prefix += UndefinedCategory;
    prefix += "\",";
  }
  prefix += "\"pid\":" + std::to_string(track.entryClass) +
            ",\"tid\":" + std::to_string(track.entry) + ",\"name\":";
  appendJsonString(prefix, track.name);
  prefix += ",\"ts\":";
  return prefix;
}

// A stretch cut to the window: false when nothing of it lies inside. A stretch of no length is
// kept where it lies inside; one of some length only where it overlaps the window by some length.
bool clip(double& from, double& to, const std::optional<TimeWindow>& window) {
  if (!finite(from) || !finite(to) || to < from) {
    return false;
  }
  if (!window) {
    return true;
  }
  if (from == to) {
    return inside(from, window);
  }
  from = std::max(from, window->start);
  to = std::min(to, window->end);
  return from < to;
}

class StretchWriter {
 public:
  StretchWriter(EventWriter& writer, const TimeStepResult& result,
                const std::vector<TimelineTrack>& tracks, const ChromeTraceOptions& options)
      : writer_(writer), result_(result), tracks_(tracks), window_(options.window) {
    reporter_.start(options.progress);
    for (const TimelineTrack& track : tracks_) {
      if (const EntrySegments* row = result_.find(track.entry)) {
        total_ += row->size();
      }
    }
  }

  bool run() {
    for (const TimelineTrack& track : tracks_) {
      if (const EntrySegments* row = result_.find(track.entry)) {
        if (!writeRow(track, *row)) {
          return false;
        }
      }
    }
    reporter_.update(total_, total_);
    return true;
  }

 private:
  bool writeRow(const TimelineTrack& track, const EntrySegments& row) {
    const std::string running = stretchPrefix(track, false);
    const std::string undefined = stretchPrefix(track, true);
    for (std::size_t i = 0; i < row.size(); ++i) {
      const SegmentState state = row.state(i);
      double from = row.from(i);
      double to = row.to(i);
      if (state != SegmentState::Interrupted && clip(from, to, window_)) {
        std::string& out = writer_.next();
        out += state == SegmentState::Running ? running : undefined;
        const double start = microseconds(from);
        appendJsonNumber(out, start);
        out += ",\"dur\":";
        appendJsonNumber(out, microseconds(to) - start);
        out += '}';
      }
      if (++done_ % ProgressStep == 0) {
        if (!writer_.good()) {
          return false;
        }
        reporter_.update(done_, total_);
      }
    }
    return true;
  }

  EventWriter& writer_;
  const TimeStepResult& result_;
  const std::vector<TimelineTrack>& tracks_;
  const std::optional<TimeWindow>& window_;
  ProgressReporter reporter_;
  std::size_t total_ = 0;
  std::size_t done_ = 0;
};

}  // namespace

bool writeChromeTrace(const TimeStepResult& result, const std::vector<TimelineTrack>& tracks,
                      const std::string& path, const ChromeTraceOptions& options) {
  AtomicFileWriter file(path);
  if (!file.isOpen()) {
    return false;
  }
  EventWriter writer(file);
  writeMetadata(writer, tracks, !result.clockCurve.empty());
  writeClock(writer, result.clockCurve, options.window);
  writeMarks(writer, result.userMarks, options.window);
  if (!StretchWriter(writer, result, tracks, options).run()) {
    return false;
  }
  writer.finish();
  return file.commit();
}

}  // namespace kelvor
