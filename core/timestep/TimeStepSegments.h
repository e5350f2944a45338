#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The walk adds a stretch for most events; GCC and Clang otherwise keep add() out of line.
#if defined(__GNUC__) || defined(__clang__)
#define KELVOR_SEGMENTS_INLINE [[gnu::always_inline]] inline
#else
#define KELVOR_SEGMENTS_INLINE inline
#endif

namespace kelvor {

// What an entry did during one stretch of the time-step chart.
enum class SegmentState : std::int8_t {
  Undefined = -1,   // ended without its start in the trace: from the first event to the end
  Interrupted = 0,  // active, but something nested in it ran (or the trace ended meanwhile)
  Running = 1,      // the entry executed itself
};

// The stretches of one entry in the order they begin, kept as a struct of arrays (8 + 8 + 1
// bytes a stretch) because a long trace yields about one stretch per event.
class EntrySegments {
 public:
  explicit EntrySegments(std::uint32_t entry) : entry_(entry) {}

  std::uint32_t entry() const { return entry_; }
  std::size_t size() const { return from_.size(); }
  bool empty() const { return from_.empty(); }
  double from(std::size_t i) const { return from_[i]; }
  double to(std::size_t i) const { return to_[i]; }
  SegmentState state(std::size_t i) const { return state_[i]; }

  // Appends a stretch, keeping the row in start order: a stretch that begins earlier than the
  // last one (an entry nested in itself ends its outer stretch after the inner ones) moves back
  // behind every stretch that does not begin later. Far moves are left to finish().
  KELVOR_SEGMENTS_INLINE void add(double from, double to, SegmentState state) {
    const std::size_t count = from_.size();
    if (count % LineStretches == 0 && count + PrefetchAhead + LineStretches <= from_.capacity() &&
        count + PrefetchAhead + LineStretches <= to_.capacity()) {
      prefetchForWrite(from_.data() + count + PrefetchAhead);
      prefetchForWrite(to_.data() + count + PrefetchAhead);
      if (count % StateLineStretches == 0 &&
          count + StateAhead + StateLineStretches <= state_.capacity()) {
        prefetchForWrite(state_.data() + count + StateAhead);
      }
    }
    from_.push_back(from);
    to_.push_back(to);
    state_.push_back(state);
    if (from_.size() > 1 && from < from_[from_.size() - 2]) {
      moveBack();
    }
  }
  // Completes the start order after the walk; stable, so stretches that begin together keep
  // the order in which they were found. Works in place: the capacity stays as it was.
  void finish();
  // Takes out the stretch added last among those that begin at `from`; the row must be in start
  // order. An incremental walk withdraws the stretches it closed provisionally at the end of the
  // stream before it continues. False when no stretch begins at `from`.
  bool withdraw(double from);
  // The stretches before this index are unchanged since the last settle(): an index over the row
  // reads them again only from here. A row that was cleared has none settled.
  std::size_t settled() const { return settled_ < from_.size() ? settled_ : from_.size(); }
  // Marks every stretch as seen by the index over the row. Changes no stretch, hence const.
  void settle() const { settled_ = from_.size(); }
  // Makes room for `count` stretches in all, so that adding them moves nothing.
  void reserve(std::size_t count) {
    from_.reserve(count);
    to_.reserve(count);
    state_.reserve(count);
  }
  // Empties the arrays but keeps their capacity for the next walk.
  void clear() {
    unsorted_ = false;
    settled_ = 0;
    from_.clear();
    to_.clear();
    state_.clear();
  }
  // Bytes held by the three arrays, spare capacity included.
  std::size_t storageBytes() const;

 private:
  // A walk fills hundreds of rows by turns, more streams than the hardware prefetcher follows:
  // when a row starts a new cache line, the line two ahead is requested for writing.
  static constexpr std::size_t LineStretches = 64 / sizeof(double);
  static constexpr std::size_t PrefetchAhead = 2 * LineStretches;
  static constexpr std::size_t StateLineStretches = 64 / sizeof(SegmentState);
  static constexpr std::size_t StateAhead = 2 * StateLineStretches;
  static void prefetchForWrite(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address, 1);
#else
    (void)address;
#endif
  }
  void moveBack();

  std::uint32_t entry_;
  bool unsorted_ = false;  // a stretch was too far out of place for moveBack
  // Stretches from this index on may have changed since settle(); appends need not lower it.
  mutable std::size_t settled_ = 0;
  std::vector<double> from_;
  std::vector<double> to_;
  std::vector<SegmentState> state_;
};

// A stretch of run time inside a user-marked section, charged to `entry`.
struct UserSectionPiece {
  std::uint32_t entry = 0;
  double from = 0.0;
  double to = 0.0;
};

// A passed user mark: its time and its mark number.
struct UserMarkPosition {
  double time = 0.0;
  std::uint32_t number = 0;
};

// The processor clock from `time` on, in MHz.
struct ClockPoint {
  double time = 0.0;
  double mhz = 0.0;
};

// The own execution of the innermost activation still open at the last event, from the start of
// its last stretch to the last event. The chart shows that stretch as interrupted (the trace ended
// meanwhile); the statistics charge it as net run time.
struct OpenEndRun {
  std::uint32_t entry = 0;
  double from = 0.0;
  double to = 0.0;
};

// Everything one walk over the stream finds.
struct TimeStepResult {
  // One element per entry met by the walk, in ascending entry id.
  std::vector<EntrySegments> rows;
  std::vector<UserSectionPiece> userSections;
  std::vector<UserMarkPosition> userMarks;
  // Clock changes inside activations: starts with the configured start clock at time 0.0 and
  // ends with the last value held up to the last event. Drawn on the curve scale.
  std::vector<ClockPoint> clockCurve;
  // Clock changes outside any activation, drawn at once on the top-level scale; starts at the
  // chart top (26 MHz on that scale) at time 0.0.
  std::vector<ClockPoint> topLevelClock;
  double userSectionTime = 0.0;     // seconds of user-marked run time, visible or not
  double userSectionPercent = 0.0;  // of the trace's span; 0 for a trace of a single instant
  // None when the trace ends outside every activation.
  std::optional<OpenEndRun> openEndRun;

  // The stretches of an entry, or null when the walk found none.
  const EntrySegments* find(std::uint32_t entry) const;
  // Bytes held by the stretches of every row.
  std::size_t segmentStorageBytes() const;
  std::size_t segmentCount() const;
};

}  // namespace kelvor

#undef KELVOR_SEGMENTS_INLINE
