#include "io/RunFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "RecordingPrompter.h"
#include "session/Session.h"
#include "session/TraceLoader.h"

namespace kelvor {
namespace {

namespace fs = std::filesystem;
using Bytes = std::string;

std::uint32_t u32At(const Bytes& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) {
    v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
  }
  return v;
}
std::uint16_t u16At(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    (static_cast<unsigned char>(b[at + 1]) << 8));
}
double f64At(const Bytes& b, std::size_t at) {
  const std::uint64_t v = u32At(b, at) | (std::uint64_t{u32At(b, at + 4)} << 32);
  return std::bit_cast<double>(v);
}

void putU32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    b.push_back(static_cast<char>(v >> (8 * i)));
  }
}
void putU16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<char>(v));
  b.push_back(static_cast<char>(v >> 8));
}

// A run file built byte by byte, independent of the writer.
Bytes header(std::uint32_t events, std::uint32_t entries, const char* magic = "Kelvor2") {
  Bytes b(8, '\0');
  std::memcpy(b.data(), magic, std::min<std::size_t>(std::strlen(magic), 8));
  putU32(b, 1);
  putU32(b, 26);
  putU32(b, 0);
  putU32(b, 0);
  putU32(b, events);
  putU32(b, entries);
  b.append(72, '\0');
  return b;
}
void entry(Bytes& b, std::uint16_t id, const std::string& name, std::uint32_t priority) {
  putU16(b, id);
  Bytes padded = name;
  padded.resize(32, '\0');
  b += padded;
  putU32(b, priority);
}
void event(Bytes& b, double time, std::uint16_t key, std::int32_t kind, std::uint32_t extra) {
  const auto t = std::bit_cast<std::uint64_t>(time);
  putU32(b, static_cast<std::uint32_t>(t));
  putU32(b, static_cast<std::uint32_t>(t >> 32));
  putU16(b, key);
  putU32(b, static_cast<std::uint32_t>(kind));
  putU32(b, 0);
  putU32(b, 0);
  putU32(b, extra);
}

class RecordingProgress : public ProgressSink {
 public:
  void progressStart() override { ++starts; }
  void progressUpdate(const LoadProgress& progress) override {
    percents.push_back(progress.percent);
  }
  void progressClose() override { ++closes; }
  int starts = 0;
  int closes = 0;
  std::vector<std::uint32_t> percents;
};

class RunFileTest : public ::testing::Test {
 protected:
  RunFileTest() : session(backend) {
    static std::atomic<int> counter{0};
    dir = fs::temp_directory_path() /
          ("kelvor-runfile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
           "-" + std::to_string(counter++) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    session.analysis.console = &console;
    session.analysis.prompter = &prompter;
    session.progress = &progress;
    session.engine = std::make_unique<StatisticsEngine>(session.analysis);
  }
  ~RunFileTest() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  std::string path(const std::string& name) const { return (dir / name).string(); }
  std::string writeBytes(const std::string& name, const Bytes& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
    return path(name);
  }
  static Bytes readBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void add(double t, EventKind kind, std::uint16_t id, std::uint32_t number, double clock = 0.0) {
    session.engine->append(TraceEvent(t, id, kind, number, 0x1234, clock, 9));
  }
  // A small trace with a process, a nested interrupt, a clock change and a user section.
  void addExampleTrace() {
    session.processTable.store("PROC_X", 0x0123, UnknownPriority, OriginIdList);
    session.processTable.store("GROUP_01", 0x01FF, 40, OriginIdList);
    session.processTable.store("IRQ_FIVE", 0x10005, 2, OriginHeaderNoProcess);
    add(0.5, EventKind::START_PROC, 0x0123, 0);
    add(1.5, EventKind::START_IRQ, 0, 5);
    add(2.0, EventKind::END_IRQ, 0, 5);
    add(2.5, EventKind::CLK_SPEED, 0, 0, 104.0);
    add(3.0, EventKind::USER_ENTER, 0, 3);
    add(3.75, EventKind::END_PROC, 0x0123, 0);
  }
  // Reads as the loader does and applies the result to the session.
  std::uint16_t readInto(StatisticsEngine& engine, const std::string& file) {
    RunReadResult result = RunFile::read(engine, file, session.progress);
    const std::uint16_t code = result.code;
    applyRunReadResult(session, std::move(result));
    return code;
  }
  std::uint16_t readMemory(StatisticsEngine& engine, std::string_view bytes) {
    RunReadResult result = RunFile::readBytes(engine, bytes, session.progress);
    const std::uint16_t code = result.code;
    applyRunReadResult(session, std::move(result));
    return code;
  }

  fs::path dir;
  MemorySettingsBackend backend;
  Session session;
  std::ostringstream console;
  test::RecordingPrompter prompter;
  RecordingProgress progress;
};

TEST_F(RunFileTest, EmptyStreamSavesNothing) {
  EXPECT_EQ(saveRunFile(session, path("empty.run")), RunFile::WriteNoData);
  EXPECT_FALSE(fs::exists(path("empty.run")));
  session.engine.reset();
  EXPECT_EQ(saveRunFile(session, path("none.run")), RunFile::WriteNoData);
  EXPECT_FALSE(fs::exists(path("none.run")));
}

TEST_F(RunFileTest, WritesTheDocumentedByteLayout) {
  addExampleTrace();
  const std::string file = path("layout.run");
  const auto before = static_cast<std::uint32_t>(std::time(nullptr));
  ASSERT_EQ(saveRunFile(session, file), RunFile::WriteOk);
  const auto after = static_cast<std::uint32_t>(std::time(nullptr));
  EXPECT_EQ(session.currentTraceFile, file);

  const Bytes b = readBytes(file);
  // Entries 0x0123 and 0x10005, six events.
  ASSERT_EQ(b.size(), 104u + 2 * 38 + 6 * 26);
  EXPECT_EQ(b.substr(0, 8), Bytes("Kelvor2\0", 8));
  EXPECT_EQ(u32At(b, 8), 1u);
  EXPECT_EQ(u32At(b, 12), 26u);
  EXPECT_GE(u32At(b, 16), before);
  EXPECT_LE(u32At(b, 16), after);
  EXPECT_EQ(u32At(b, 20), 3u);  // 3.75 s truncated
  EXPECT_EQ(u32At(b, 24), 6u);
  EXPECT_EQ(u32At(b, 28), 2u);
  EXPECT_EQ(b.substr(32, 72), Bytes(72, '\0'));

  // First entry: id, zero-padded name, priority of the group (own priority unknown).
  EXPECT_EQ(u16At(b, 104), 0x0123);
  EXPECT_EQ(b.substr(106, 32), Bytes("PROC_X") + Bytes(26, '\0'));
  EXPECT_EQ(u32At(b, 138), 40u);
  // Second entry: interrupt 5, id truncated to 16 bits.
  EXPECT_EQ(u16At(b, 142), 0x0005);
  EXPECT_EQ(b.substr(144, 8), "IRQ_FIVE");
  EXPECT_EQ(u32At(b, 176), 2u);

  const std::size_t events = 104 + 2 * 38;
  // START_PROC 0x0123: key >= 256, so the extra is the priority.
  EXPECT_EQ(f64At(b, events), 0.5);
  EXPECT_EQ(u16At(b, events + 8), 0x0123);
  EXPECT_EQ(u32At(b, events + 10), 1u);
  EXPECT_EQ(b.substr(events + 14, 8), Bytes(8, '\0'));
  EXPECT_EQ(u32At(b, events + 22), 40u);
  // END_IRQ 5: key and extra are the interrupt number.
  const std::size_t endIrq = events + 2 * 26;
  EXPECT_EQ(f64At(b, endIrq), 2.0);
  EXPECT_EQ(u16At(b, endIrq + 8), 5);
  EXPECT_EQ(u32At(b, endIrq + 10), 4u);
  EXPECT_EQ(u32At(b, endIrq + 22), 5u);
  // USER_ENTER with id 0 and number 3: key is the low 16 bits of 0x20003.
  const std::size_t user = events + 4 * 26;
  EXPECT_EQ(u16At(b, user + 8), 3);
  EXPECT_EQ(u32At(b, user + 10), 10u);
  EXPECT_EQ(u32At(b, user + 22), 3u);
}

TEST_F(RunFileTest, LongNamesAreCutAndEntryZeroStoresItsPriority) {
  const std::string longName(40, 'N');
  session.processTable.store(longName, 0x0300, 12, OriginIdList);
  session.processTable.store("ZERO", 0, 77, OriginIdList);
  add(1.0, EventKind::START_PROC, 0x0300, 0);
  session.engine->statsFor(0);
  ASSERT_EQ(saveRunFile(session, path("names.run")), RunFile::WriteOk);
  const Bytes b = readBytes(path("names.run"));
  ASSERT_EQ(u32At(b, 28), 2u);
  EXPECT_EQ(u16At(b, 104), 77);  // entry 0: its priority in the id field
  EXPECT_EQ(b.substr(106, 32), Bytes("ZERO") + Bytes(28, '\0'));
  EXPECT_EQ(u16At(b, 142), 0x0300);
  EXPECT_EQ(b.substr(144, 32), Bytes(32, 'N'));  // no terminating zero
  EXPECT_EQ(u32At(b, 176), 12u);
}

TEST_F(RunFileTest, EventKeysLookUpPrioritiesThroughEngineRecords) {
  // A user mark numbered 0x0400 has key 0x0400: its priority comes from entry 0x0400, whose
  // engine record is created on the way.
  session.processTable.store("MARKED", 0x0400, 6, OriginIdList);
  add(1.0, EventKind::USER_MARK, 0x0400, 0);
  ASSERT_EQ(session.engine->find(0x0400), nullptr);
  ASSERT_EQ(saveRunFile(session, path("mark.run")), RunFile::WriteOk);
  EXPECT_NE(session.engine->find(0x0400), nullptr);
  const Bytes b = readBytes(path("mark.run"));
  EXPECT_EQ(u32At(b, 28), 0u);  // the record did not exist when the entries were written
  EXPECT_EQ(u16At(b, 104 + 8), 0x0400);
  EXPECT_EQ(u32At(b, 104 + 22), 6u);
}

TEST_F(RunFileTest, RoundTripRestoresEventsNamesAndSeenIds) {
  addExampleTrace();
  const std::string file = path("round.run");
  ASSERT_EQ(saveRunFile(session, file), RunFile::WriteOk);

  session.seenIds.markSeen(0x0777);
  session.runNameTable.resize(5);
  StatisticsEngine engine(session.analysis);
  ASSERT_EQ(readInto(engine, file), RunFile::ReadOk);

  const EventStream& stream = engine.stream();
  ASSERT_EQ(stream.size(), 6u);
  const struct {
    double time;
    std::uint16_t id;
    EventKind kind;
    std::uint32_t number;
    std::uint8_t sourceType;
  } expected[] = {
      {0.5, 0x0123, EventKind::START_PROC, 40, 0}, {1.5, 5, EventKind::START_IRQ, 5, 2},
      {2.0, 5, EventKind::END_IRQ, 5, 3},          {2.5, 0, EventKind::CLK_SPEED, 0, 0xFF},
      {3.0, 3, EventKind::USER_ENTER, 3, 0xFF},    {3.75, 0x0123, EventKind::END_PROC, 40, 1},
  };
  for (std::size_t i = 0; i < stream.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(stream[i].time, expected[i].time);
    EXPECT_EQ(stream[i].id, expected[i].id);
    EXPECT_EQ(stream[i].kind, expected[i].kind);
    EXPECT_EQ(stream[i].number, expected[i].number);
    EXPECT_EQ(stream[i].sourceType, expected[i].sourceType);
    EXPECT_EQ(stream[i].clock, 0.0);
    EXPECT_EQ(stream[i].address, 0u);
  }

  ASSERT_EQ(session.runNameTable.size(), 2u);
  EXPECT_EQ(session.runNameTable[0].id, 0x0123);
  EXPECT_EQ(session.runNameTable[0].nameText(), "PROC_X");
  EXPECT_EQ(session.runNameTable[0].priority, 40u);
  EXPECT_EQ(session.runNameTable[1].nameText(), "IRQ_FIVE");

  EXPECT_EQ(session.seenIds.count(), 1u);
  EXPECT_TRUE(session.seenIds.isSeen(0x0123));

  // Analysed over the whole trace.
  const ProcessStats* proc = engine.find(0x0123);
  ASSERT_NE(proc, nullptr);
  EXPECT_EQ(proc->calls, 1u);
  EXPECT_DOUBLE_EQ(proc->totalWithInt, 3.25);
  EXPECT_DOUBLE_EQ(proc->totalWithoutInt, 2.75);
  EXPECT_EQ(progress.starts, 1);
  EXPECT_EQ(progress.closes, 1);
  EXPECT_TRUE(progress.percents.empty());  // fewer than 100 records
}

TEST_F(RunFileTest, InterruptsAboveTwoHundredFiftyFiveKeepTheirNumbers) {
  // Processes with the same 16-bit ids as the interrupts, with priorities of their own: an
  // interrupt's record must not take them in place of its number.
  session.processTable.store("PROC_300", 300, 7, OriginIdList);
  session.processTable.store("PROC_1234", 0x1234, 9, OriginIdList);
  add(1.0, EventKind::START_PROC, 0x0123, 0);
  add(2.0, EventKind::START_IRQ, 0, 300);
  add(2.5, EventKind::START_IRQ, 0, 0x1234);
  add(2.75, EventKind::END_IRQ, 0, 0x1234);
  add(3.0, EventKind::END_IRQ, 0, 300);
  add(4.0, EventKind::START_IRQ, 0, 5);
  add(4.5, EventKind::END_IRQ, 0, 5);
  add(6.0, EventKind::END_PROC, 0x0123, 0);
  session.engine->analyse(TimeWindow::wholeTrace());
  const std::string file = path("irq.run");
  ASSERT_EQ(saveRunFile(session, file), RunFile::WriteOk);

  const Bytes b = readBytes(file);
  const std::size_t events = 104 + 38 * u32At(b, 28);
  EXPECT_EQ(u32At(b, events + 1 * 26 + 22), 300u);
  EXPECT_EQ(u32At(b, events + 2 * 26 + 22), 0x1234u);
  EXPECT_EQ(u32At(b, events + 3 * 26 + 22), 0x1234u);
  EXPECT_EQ(u32At(b, events + 4 * 26 + 22), 300u);

  StatisticsEngine reread(session.analysis);
  ASSERT_EQ(readInto(reread, file), RunFile::ReadOk);
  const StatisticsEngine& saved = *session.engine;
  ASSERT_EQ(reread.statistics().size(), saved.statistics().size());
  for (const auto& [id, stats] : saved.statistics()) {
    SCOPED_TRACE(id);
    const ProcessStats* again = reread.find(id);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->calls, stats.calls);
    EXPECT_EQ(again->totalWithInt, stats.totalWithInt);
    EXPECT_EQ(again->totalWithoutInt, stats.totalWithoutInt);
  }
  ASSERT_NE(reread.find(InterruptIdBase + 300), nullptr);
  EXPECT_EQ(reread.find(InterruptIdBase + 300)->calls, 1u);
  EXPECT_DOUBLE_EQ(reread.find(InterruptIdBase + 300)->totalWithoutInt, 0.75);
}

TEST_F(RunFileTest, SavingCreatesOrReplacesTheFileWithoutLeftovers) {
  const std::string file = writeBytes("old.run", "previous contents");
  addExampleTrace();
  EXPECT_EQ(saveRunFile(session, path("no-such-dir/x.run")), RunFile::WriteCannotCreate);
  EXPECT_EQ(session.currentTraceFile, path("no-such-dir/x.run"));
  ASSERT_EQ(saveRunFile(session, file), RunFile::WriteOk);
  EXPECT_EQ(u32At(readBytes(file), 24), 6u);
  // Nothing but the target is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(RunFileTest, ReadResultCodes) {
  Bytes twoEntriesOneGiven = header(0, 2);
  entry(twoEntriesOneGiven, 1, "A", 5);
  Bytes threeEventsTwoAndAHalfGiven = header(3, 0);
  event(threeEventsTwoAndAHalfGiven, 1.0, 0x0100, 1, 0);
  event(threeEventsTwoAndAHalfGiven, 2.0, 0x0100, 2, 0);
  threeEventsTwoAndAHalfGiven += Bytes(13, '\x7f');
  Bytes noTerminator = header(0, 0);
  noTerminator[7] = 'X';

  const struct {
    const char* name;
    Bytes bytes;
    std::uint16_t code;
    std::size_t events;
    std::size_t names;
  } cases[] = {
      {"empty", header(0, 0), RunFile::ReadOk, 0, 0},
      {"short-header", header(0, 0).substr(0, 103), RunFile::ReadHeaderShort, 0, 7},
      {"wrong-magic", header(0, 0, "Kelvor3"), RunFile::ReadBadMagic, 0, 7},
      {"unterminated-magic", noTerminator, RunFile::ReadBadMagic, 0, 7},
      {"short-entries", twoEntriesOneGiven, RunFile::ReadEntriesShort, 0, 1},
      {"short-events", threeEventsTwoAndAHalfGiven, RunFile::ReadEventsShort, 2, 0},
      // Counts far beyond the file's size give what the file holds, without huge allocations.
      {"lying-event-count", header(0xFFFFFFFFu, 0) + Bytes(26, '\0'), RunFile::ReadEventsShort, 1,
       0},
      {"lying-entry-count", header(0, 0xFFFFFFFFu), RunFile::ReadEntriesShort, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    session.runNameTable.assign(7, RunNameRecord{});
    StatisticsEngine engine(session.analysis);
    engine.append(TraceEvent(0.0, 1, EventKind::START_PROC, 0, 0, 0.0, 0));
    EXPECT_EQ(readInto(engine, writeBytes(c.name, c.bytes)), c.code);
    EXPECT_EQ(engine.stream().size(), c.events);
    EXPECT_EQ(session.runNameTable.size(), c.names);
  }

  StatisticsEngine engine(session.analysis);
  EXPECT_EQ(readInto(engine, path("missing.run")), RunFile::ReadCannotOpen);
  EXPECT_EQ(readInto(engine, dir.string()), RunFile::ReadCannotOpen);
}

TEST_F(RunFileTest, ProgressGrowsEveryHundredRecordsAndAlwaysCloses) {
  Bytes b = header(1000, 0);
  for (int i = 0; i < 1000; ++i) {
    event(b, i * 0.001, 0x0200, 9, 0);
  }
  StatisticsEngine engine(session.analysis);
  ASSERT_EQ(readInto(engine, writeBytes("progress.run", b)), RunFile::ReadOk);
  EXPECT_EQ(progress.percents, (std::vector<std::uint32_t>{10, 20, 30, 40, 50, 60, 70, 80, 90}));
  EXPECT_EQ(progress.closes, 1);

  // A file that ends early still closes the progress.
  progress = RecordingProgress{};
  EXPECT_EQ(readInto(engine, writeBytes("cut.run", b.substr(0, 104 + 26 * 250 + 3))),
            RunFile::ReadEventsShort);
  EXPECT_EQ(engine.stream().size(), 250u);
  EXPECT_EQ(progress.percents, (std::vector<std::uint32_t>{10, 20}));
  EXPECT_EQ(progress.closes, 1);
}

TEST_F(RunFileTest, ReadsFromMemoryLikeFromAFile) {
  Bytes b = header(2, 1);
  entry(b, 0x0100, "P", 3);
  event(b, 1.0, 0x0100, 1, 3);
  event(b, 2.0, 0x0100, 2, 3);
  StatisticsEngine engine(session.analysis);
  EXPECT_EQ(readMemory(engine, b), RunFile::ReadOk);
  EXPECT_EQ(engine.stream().size(), 2u);
  ASSERT_NE(engine.find(0x0100), nullptr);
  EXPECT_EQ(engine.find(0x0100)->calls, 1u);
  EXPECT_EQ(readMemory(engine, b.substr(0, 104 + 38 + 30)), RunFile::ReadEventsShort);
  EXPECT_EQ(engine.stream().size(), 1u);
}

}  // namespace
}  // namespace kelvor
