// A listing read in pieces on several threads must give exactly what the sequential read gives:
// the same events field for field, messages, questions, seen ids, status, '<' flag, end time and
// progress percentages, wherever the piece borders fall.
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ImportFixture.h"
#include "io/TextTraceImporter.h"

namespace kelvor {
namespace {

using test::RecordingProgress;
using test::RecordingPrompter;

struct Outcome {
  std::vector<TraceEvent> events;
  ImportResult result;
  std::vector<RecordingPrompter::Shown> shown;
  std::vector<std::uint32_t> percents;
  int progressStarts = 0;
  int progressCloses = 0;
  double endTime = 0.0;
};

struct Input {
  const char* name;  // its ending gives the format
  std::string text;
  std::uint32_t mopBase;
  std::vector<PromptAnswer> answers;
};

// Imports the input from memory, or from a file when `path` is given.
Outcome importWith(const Input& input, const ParallelReading& parallel, const std::string* path) {
  RecordingPrompter prompter;
  prompter.answers.assign(input.answers.begin(), input.answers.end());
  RecordingProgress progress;
  ImportContext context;
  context.prompter = &prompter;
  context.progress = &progress;
  context.mopBase = input.mopBase;
  context.parallel = parallel;
  EventStream stream;
  Outcome outcome;
  {
    TextTraceImporter importer(stream, context);
    outcome.result = path != nullptr ? importer.importFile(*path)
                                     : importer.importText(traceFileTypeOf(input.name), input.text);
    outcome.endTime = importer.currentTime();
  }
  outcome.events.assign(stream.begin(), stream.end());
  outcome.shown = prompter.shown;
  for (const LoadProgress& update : progress.updates) {
    outcome.percents.push_back(update.percent);
  }
  outcome.progressStarts = progress.starts;
  outcome.progressCloses = progress.closes;
  return outcome;
}

void expectSame(const Outcome& expected, const Outcome& actual) {
  ASSERT_EQ(expected.events.size(), actual.events.size());
  for (std::size_t i = 0; i < expected.events.size(); ++i) {
    const TraceEvent& e = expected.events[i];
    const TraceEvent& a = actual.events[i];
    ASSERT_TRUE(std::bit_cast<std::uint64_t>(e.time) == std::bit_cast<std::uint64_t>(a.time) &&
                std::bit_cast<std::uint64_t>(e.clock) == std::bit_cast<std::uint64_t>(a.clock) &&
                e.number == a.number && e.address == a.address && e.kind == a.kind &&
                e.id == a.id && e.sourceType == a.sourceType)
        << "event " << i;
  }
  EXPECT_EQ(expected.result.status, actual.result.status);
  EXPECT_EQ(expected.result.lessThanSeen, actual.result.lessThanSeen);
  EXPECT_EQ(expected.result.events, actual.result.events);
  EXPECT_EQ(expected.result.messagesShown, actual.result.messagesShown);
  EXPECT_EQ(expected.result.seenIds.count(), actual.result.seenIds.count());
  for (std::uint32_t id = 0; id <= 0xFFFF; ++id) {
    ASSERT_EQ(expected.result.seenIds.isSeen(static_cast<std::uint16_t>(id)),
              actual.result.seenIds.isSeen(static_cast<std::uint16_t>(id)))
        << id;
  }
  ASSERT_EQ(expected.shown.size(), actual.shown.size());
  for (std::size_t i = 0; i < expected.shown.size(); ++i) {
    EXPECT_EQ(expected.shown[i].kind, actual.shown[i].kind);
    EXPECT_EQ(expected.shown[i].text, actual.shown[i].text);
    EXPECT_EQ(expected.shown[i].caption, actual.shown[i].caption);
  }
  EXPECT_EQ(expected.percents, actual.percents);
  EXPECT_EQ(expected.progressStarts, actual.progressStarts);
  EXPECT_EQ(expected.progressCloses, actual.progressCloses);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(expected.endTime),
            std::bit_cast<std::uint64_t>(actual.endTime));
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string etmWrite(std::uint32_t address, std::uint32_t data, const char* time) {
  static unsigned record = 0;
  char line[128];
  std::snprintf(line, sizeof line, "-%07u  D:%08X  wr-long  %08X  %s\n", ++record, address, data,
                time);
  return line;
}

std::string tlaLine(std::uint32_t address, std::uint32_t data, const char* time) {
  char line[128];
  std::snprintf(line, sizeof line, "%u\t%08X\t%08X\tMEM WR\t%s\n", address, address, data, time);
  return line;
}

// An ETM listing with every construct whose state crosses lines: interrupt words put together
// over several lines, FLOW ERROR lines, cut records followed by more lines, an over-long line.
std::string etmListing(std::size_t records) {
  std::string text = "____record___address______cycle_____data______________ti.back\n\n";
  const char* times[] = {"37.982us", "91.013ns", "0.1ns", "1.5 ms", "12"};
  for (std::size_t i = 0; i < records; ++i) {
    const auto n = static_cast<std::uint32_t>(i);
    const char* time = times[i % 5];
    switch (i % 11) {
      case 0:
        text += etmWrite(0xC0000026, 0x100 + n, time) + etmWrite(0xC0000024, n, time) +
                etmWrite(0xC0000028, n, time);
        break;
      case 3:
        text += "-0000012  D:C0000020\n";  // cut before its cycle
        break;
      case 5:
        text += i % 2 == 0 ? "   FLOW ERROR\n" : "          TRACE ENABLE\n";
        break;
      case 7:
        text += "-0000013  P:00012DEC  exec                    149.350ns\n";
        break;
      case 9:
        text += i == 9 ? "-1" + std::string(70000, 'x') + "\n" : etmWrite(0x08014E84, n, time);
        break;
      default:
        text += etmWrite(0xC0000020 + 2 * (n % 13), n % 300, time);
    }
  }
  return text;
}

std::string withCrLf(const std::string& text) {
  std::string out;
  for (const char c : text) {
    out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  }
  return out;
}

std::vector<Input> inputs() {
  std::vector<Input> list;
  const std::string examples = KELVOR_EXAMPLES_DIR;
  list.push_back({"sample.prn", readFile(examples + "/sample.prn"), 0xC0000020, {}});
  list.push_back({"sample.txt", readFile(examples + "/sample.txt"), 0x20, {}});

  const std::string etm = etmListing(300);
  list.push_back({"a.prn", etm, 0xC0000020, {}});
  list.push_back({"crlf.prn", withCrLf(etm), 0xC0000020, {}});
  list.push_back({"cut-at-end.prn", etm + "-0000010  D:C0000020  wr-long  ", 0xC0000020, {}});
  list.push_back(
      {"no-break.prn", etm + "-0000010  D:C0000020  wr-long  00000034  1.0us", 0xC0000020, {}});
  // Few writes into the MOP area: the address question on the 50th data line, answered No
  // (the import stops there) and Yes.
  std::string outside;
  for (std::uint32_t i = 0; i < 80; ++i) {
    outside += i % 20 == 0 ? etmWrite(0xC0000020, i, "1us") : etmWrite(0x1000, i, "1us");
    if (i == 48) {
      outside += "-0000012  D:C0000020\n";  // a cut 50th data line, taken with the line after
    }
  }
  list.push_back({"no.prn", outside, 0xC0000020, {PromptAnswer::No}});
  list.push_back({"yes.prn", outside + "  FLOW ERROR\n", 0xC0000020, {PromptAnswer::Yes}});

  std::string tla = "TLA listing\nSample\tAddress\tData\tCycle Type\tTimestamp\n";
  for (std::uint32_t i = 0; i < 200; ++i) {
    tla += i % 17 == 0 ? std::string("\n") : tlaLine(0x20 + 2 * (i % 13), i, "  13.136 us");
    if (i % 31 == 0) {
      tla += std::to_string(i) + "\t00000020\t\n";  // cut before its data
    }
  }
  list.push_back({"a.txt", withCrLf(tla), 0x20, {}});
  list.push_back({"cut-at-end.txt", tla + "9\t00000020\t", 0x20, {}});
  // The '<' of the line that raises the address question counts although the import stops.
  std::string tlaOutside = "TLA\nAddress\tData\tTimestamp\n";
  for (std::uint32_t i = 0; i < 60; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%08X\t%08X\t%s\n", i < 3 ? 0x20u : 0x400u, i,
                  i == 50 ? "<1 ns" : "10 ns");
    tlaOutside += line;
  }
  list.push_back({"lessthan.txt", tlaOutside, 0x20, {PromptAnswer::No}});
  list.push_back({"heading-only.txt", "TLA listing\r\nAddress\tData\tTimestamp\r\n", 0x20, {}});
  list.push_back({"heading-cut.txt", "TLA listing\nAddress\tDa", 0x20, {}});
  list.push_back({"empty.prn", "", 0xC0000020, {}});

  std::string mes = "\n  \nMES\tindex\ttime\tkey\tname\n";
  std::string legacy = "\nlegacy export\n";
  const char* names[] = {"START_PROC", "END_PROC",  "START_IRQ", "END_IRQ",
                         "CLK_SPEED",  "USER_MARK", "NOTHING",   "USER_ENTER"};
  for (std::uint32_t i = 0; i < 150; ++i) {
    const std::string name = names[i % 8];
    mes += std::to_string(i) + "\t" + std::to_string(i * 0.37) + "\t" + std::to_string(i % 50) +
           "\t" + name + "\t" + std::to_string(i) + "\t\t7\t1\t" + std::to_string(i % 3) + "\n";
    legacy += std::to_string(i * 1.25) + " " + std::to_string(i % 40) + " " + name + " 3 a b 1 " +
              std::to_string(i % 5) + (i % 9 == 0 ? "\n\n" : "\n");
  }
  list.push_back({"tab.mes", mes, 0, {}});
  list.push_back({"legacy.mes", withCrLf(legacy), 0, {}});

  std::mt19937 random(11);
  std::string garbage;
  const char alphabet[] = "0123456789ABCDEF:<.\t \r\n\n\nsunmpx-D:C0000020FLOW ERRORSampleMES";
  for (int i = 0; i < 6000; ++i) {
    garbage += random() % 16 == 0 ? static_cast<char>(random() % 256)
                                  : alphabet[random() % (sizeof alphabet - 1)];
  }
  for (const char* name : {"g.prn", "g.txt", "g.mes"}) {
    list.push_back({name, garbage, 0, {}});
  }
  return list;
}

ParallelReading sequential() {
  ParallelReading reading;
  reading.minimumSize = std::numeric_limits<std::uint64_t>::max();
  return reading;
}

ParallelReading inPieces(std::uint64_t pieceSize, unsigned threads) {
  ParallelReading reading;
  reading.minimumSize = 0;
  reading.pieceSize = pieceSize;
  reading.threads = threads;
  return reading;
}

TEST(PieceImport, GivesWhatTheSequentialReadGivesWhereverTheBordersFall) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kelvor-piece-import";
  std::filesystem::create_directories(dir);
  for (const Input& input : inputs()) {
    SCOPED_TRACE(input.name);
    const bool large = input.text.size() > 100000;
    const Outcome expected = importWith(input, sequential(), nullptr);
    std::vector<std::uint64_t> sizes = {61, 4099};
    if (!large) {
      sizes = {1, 2, 3, 5, 8, 13, 64, 1000};
    }
    unsigned threads = 1;
    for (const std::uint64_t size : sizes) {
      SCOPED_TRACE(size);
      threads = threads % 3 + 1;
      expectSame(expected, importWith(input, inPieces(size, threads), nullptr));
    }

    const std::string path = (dir / input.name).string();
    std::ofstream(path, std::ios::binary) << input.text;
    const Outcome fromFile = importWith(input, sequential(), &path);
    expectSame(expected, fromFile);
    for (const std::uint64_t size : {std::uint64_t{large ? 4099u : 7u}, std::uint64_t{100000}}) {
      SCOPED_TRACE(size);
      expectSame(fromFile, importWith(input, inPieces(size, 2), &path));
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kelvor
