#include "io/TextTraceImporter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "ImportFixture.h"

namespace kelvor {
namespace {

using listing::classifyLine;
using test::ImportFixture;

TEST(ListingClassify, MatchesThePhraseFromTheFirstUpperCaseForT) {
  const std::pair<const char*, int> cases[] = {
      {"", 0},
      {"   FLOW ERROR", 1},
      {"  xFlow Error in trace", 1},
      {"   flow error", 0},    // no upper-case F or T
      {"Time FLOW ERROR", 0},  // the text from the first 'T' does not match
      {"FLOW ERRO", 0},
      {"--- TRACE ENABLE ---", 2},
      {"Trace enable", 2},
      {"________record____address_____cycle____data____ti.back", 0},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(classifyLine(text), expected) << text;
  }
}

class TextTraceImporterTest : public ImportFixture {
 protected:
  std::unique_ptr<TextTraceImporter> decoder() {
    return std::make_unique<TextTraceImporter>(stream, importContextFor(session));
  }
  static std::string etmWrite(std::uint32_t address, std::uint32_t data, const char* time) {
    char line[128];
    std::snprintf(line, sizeof line, "-%07u  D:%08X  wr-long  %08X  %s\r\n", ++record, address,
                  data, time);
    return line;
  }
  static std::string etmExec(std::uint32_t address) {
    char line[128];
    std::snprintf(line, sizeof line, "-%07u  P:%08X  exec  0.010us\r\n", ++record, address);
    return line;
  }
  static std::string tlaLine(std::uint32_t address, std::uint32_t data) {
    char line[128];
    std::snprintf(line, sizeof line, "%08X\t%08X\t10 ns\r\n", address, data);
    return line;
  }
  static inline unsigned record = 0;
  EventStream stream;
};

TEST_F(TextTraceImporterTest, DecodesWritesByOffset) {
  auto importer = decoder();
  importer->decodeWrite(0, "0x0012");
  importer->decodeWrite(2, "12");
  importer->decodeWrite(10, "1A");
  importer->decodeWrite(14, "9");
  importer->decodeWrite(14, "11");
  importer->decodeWrite(16, "10005");
  importer->decodeWrite(20, "20005");
  importer->decodeWrite(22, "7");
  importer->decodeWrite(24, "3");
  for (const std::uint32_t nothing : {12u, 18u, 1u, 26u, 0xFFFFFFE0u}) {
    importer->decodeWrite(nothing, "1");
  }
  const EventStream& s = importer->stream();
  ASSERT_EQ(s.size(), 9u);
  EXPECT_EQ(s[0].kind, EventKind::START_PROC);
  EXPECT_EQ(s[0].id, 0x12);
  EXPECT_TRUE(importer->result().seenIds.isSeen(0x12));
  EXPECT_EQ(s[1].kind, EventKind::END_PROC);
  EXPECT_EQ(s[2].kind, EventKind::END_IRQ);
  EXPECT_EQ(s[2].number, 0x1Au);
  EXPECT_EQ(s[3].clock, 89.1);
  EXPECT_EQ(s[4].kind, EventKind::CLK_SPEED);
  EXPECT_EQ(s[4].clock, 0.0);  // code 0x11: unknown
  EXPECT_EQ(s[5].kind, EventKind::USER_MARK);
  EXPECT_EQ(s[5].id, 5);
  EXPECT_EQ(s[6].kind, EventKind::USER_ENTER);
  EXPECT_EQ(s[6].number, 0x20005u);
  EXPECT_EQ(s[7].kind, EventKind::USER_EXIT);
  EXPECT_EQ(s[8].kind, EventKind::PSEUDO_PROCESS);
  EXPECT_EQ(s[8].number, 3u);
}

TEST_F(TextTraceImporterTest, InterruptWordComesFromOffsetsSixAndFour) {
  auto importer = decoder();
  importer->decodeWrite(14, "B");  // clock code 11
  importer->decodeWrite(6, "0105");
  importer->decodeWrite(4, "0003");
  importer->decodeWrite(8, "0007");
  importer->decodeWrite(8, "0009");
  // Offset 6 replaces the whole word: a high half written before it is lost.
  importer->decodeWrite(4, "0002");
  importer->decodeWrite(6, "0001");
  importer->decodeWrite(8, "000A");
  const EventStream& s = importer->stream();
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[0].clock, 0.0);
  EXPECT_EQ(s[1].kind, EventKind::START_IRQ);
  EXPECT_EQ(s[1].number, 7u);
  EXPECT_EQ(s[1].clock, 3.0);
  EXPECT_EQ(s[1].sourceType, 5);
  EXPECT_EQ(s[2].clock, 0.0);
  EXPECT_EQ(s[2].sourceType, 0);
  EXPECT_EQ(s[3].clock, 0.0);
  EXPECT_EQ(s[3].sourceType, 1);
}

TEST_F(TextTraceImporterTest, EtmRecordsDecodeAndExecLinesAdvanceTime) {
  const std::string listing =
      "________record__address_____cycle____data______ti.back\r\n" +
      etmWrite(0xC0000020, 0x12, "0.500us") + "-0000099  P:C0000020  exec  1.000us\r\n" +
      "                TRACE ENABLE\r\n" + etmWrite(0xC0000022, 0x12, "0.250us") +
      etmWrite(0xC0000100, 0x12, "1.000us");
  for (const bool crlf : {true, false}) {
    std::string text = listing;
    if (!crlf) {
      std::erase(text, '\r');
    }
    auto importer = importFile("trace.prn", text);
    const EventStream& s = importer->stream();
    ASSERT_EQ(s.size(), 2u) << "crlf " << crlf;
    EXPECT_EQ(s[0].kind, EventKind::START_PROC);
    EXPECT_EQ(s[0].id, 0x12);
    EXPECT_DOUBLE_EQ(s[0].time, 0.5e-6);
    EXPECT_EQ(s[1].kind, EventKind::END_PROC);
    EXPECT_DOUBLE_EQ(s[1].time, 1.75e-6);
    EXPECT_DOUBLE_EQ(importer->currentTime(), 2.75e-6);
  }
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_FALSE(session.lessThanSeen);  // '<' counts only in logic-analyser listings
}

TEST_F(TextTraceImporterTest, FlowErrorIsReportedOnceWithItsLine) {
  const std::string listing = "heading\r\n" + etmWrite(0xC0000020, 1, "1us") + "   FLOW ERROR\r\n" +
                              etmWrite(0xC0000022, 1, "1us") + "   FLOW ERROR\r\n";
  auto importer = importFile("trace.prn", listing);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].kind, "message");
  EXPECT_EQ(prompter.shown[0].text,
            "Some FLOW ERRORs detected in the .prn file @Line 3 ! the results might not be as "
            "expected :-(, \n");
  EXPECT_EQ(prompter.shown[0].caption, "Trace File Parsing Error !");
  EXPECT_EQ(importer->result.messagesShown, std::vector<std::string>{prompter.shown[0].text});
  EXPECT_EQ(importer->stream().size(), 2u);
}

TEST_F(TextTraceImporterTest, EtmAddressCheckCountsInRangeLinesOfTheFirst49) {
  const std::string expected =
      "In 50 lines only 5 events with right MOP-Area Address found\n"
      "It seems that the address of the MOP-Area is not correct.\n"
      " Select 'Configuration\\Properties\\Address of MOP-Area' to set the valid address.\n\n"
      " Continue with this address?";
  for (const int inRange : {6, 5}) {
    SCOPED_TRACE(inRange);
    prompter.shown.clear();
    prompter.answers = {PromptAnswer::No};
    session.dataOrigin = DataOrigin::TextTrace;
    std::string listing;
    for (int line = 0; line < 49; ++line) {
      listing += line < inRange ? etmWrite(0xC0000020, 0x100 + line, "1us") : etmExec(0x1000);
    }
    listing += etmWrite(0xC0000020, 0x200, "1us") + etmWrite(0xC0000020, 0x201, "1us");
    auto importer = importFile("trace.prn", listing);
    if (inRange == 6) {
      EXPECT_TRUE(prompter.shown.empty());
      EXPECT_TRUE(importer->result.messagesShown.empty());
      EXPECT_EQ(importer->stream().size(), 8u);
      EXPECT_EQ(session.dataOrigin, DataOrigin::TextTrace);
    } else {
      ASSERT_EQ(prompter.shown.size(), 1u);
      EXPECT_EQ(prompter.shown[0].kind, "yesno");
      EXPECT_EQ(prompter.shown[0].text, expected);
      EXPECT_EQ(prompter.shown[0].caption, "Error MOP-Area address");
      EXPECT_EQ(importer->result.messagesShown, std::vector<std::string>{expected});
      EXPECT_EQ(importer->stream().size(), 5u);
      EXPECT_EQ(session.dataOrigin, DataOrigin::NothingToSave);
    }
  }
  EXPECT_EQ(progress.closes, 2);
}

TEST_F(TextTraceImporterTest, TlaLayoutFollowsTheSampleTitle) {
  session.settings.Set("startadress", "0x20");
  struct Case {
    const char* name;
    std::string listing;
  };
  const Case cases[] = {
      {"sample column",
       "TLA listing\r\nSample\tAddress\tData\tCycle Type\tTimestamp\r\n"
       "1\t00000020\t00000012\tMEM WR\t  12.5 us\r\n"
       "\r\n"
       "2\t00000022\t00000012\tMEM WR\t  <1 ns\r\n"},
      {"no sample column",
       "TLA listing\nAddress\tData\tTimestamp\n00000020\t12\t12.5 us\n00000022\t12\t<1 ns\n"},
      // Only "Sample" exactly announces the sample column.
      {"lower-case title",
       "TLA listing\nsample\tAddress\tData\n00000020\t12\t12.5 us\n00000022\t12\t<1 ns"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto importer = importFile("trace.txt", c.listing);
    const EventStream& s = importer->stream();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].kind, EventKind::START_PROC);
    EXPECT_EQ(s[0].id, 0x12);
    EXPECT_DOUBLE_EQ(s[0].time, 12.5e-6);
    EXPECT_EQ(s[1].kind, EventKind::END_PROC);
    EXPECT_DOUBLE_EQ(s[1].time, 12.5e-6 + 1e-9);
    EXPECT_TRUE(session.lessThanSeen);
  }
}

TEST_F(TextTraceImporterTest, TlaAddressCheckOnThe51stLineKeepsTheEventsBeforeIt) {
  session.settings.Set("startadress", "20");
  session.dataOrigin = DataOrigin::TextTrace;
  prompter.answers = {PromptAnswer::No};
  std::string listing = "TLA\nAddress\tData\tTimestamp\n";
  for (int line = 0; line < 60; ++line) {
    listing += tlaLine(line < 4 || line >= 50 ? 0x20 : 0x400, static_cast<std::uint32_t>(line));
  }
  auto importer = importFile("trace.txt", listing);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text,
            "In 50 lines only 4 valid events found!\n\n"
            " It seems that the address of the MOP-area is not correct.\n"
            " Select 'Configuration\\Properties\\Address of MOP-Area' to set the valid address.\n\n"
            " Continue with this address?");
  EXPECT_EQ(prompter.shown[0].caption, "Error MOP-area address");
  EXPECT_EQ(importer->stream().size(), 4u);
  EXPECT_EQ(session.dataOrigin, DataOrigin::NothingToSave);
  EXPECT_EQ(progress.closes, 1);
}

TEST_F(TextTraceImporterTest, EmptyBaseAddressReadsNothing) {
  session.settings.Set("startadress", "");
  session.lessThanSeen = true;
  auto importer = importFile("trace.prn", etmWrite(0x20, 1, "1us"));
  EXPECT_TRUE(importer->stream().empty());
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "Error: Base address of MOP area is not specified!\n");
  EXPECT_EQ(prompter.shown[0].icon, PromptIcon::Error);
  EXPECT_EQ(progress.starts, 0);
  EXPECT_EQ(progress.closes, 0);
  EXPECT_FALSE(session.lessThanSeen);
}

TEST_F(TextTraceImporterTest, UnopenableFileIsReportedAndLeavesNothingToSave) {
  for (const std::string& path : {(dir / "missing.prn").string(), dir.string() + "/.prn"}) {
    std::filesystem::create_directories(dir / ".prn");
    prompter.shown.clear();
    session.dataOrigin = DataOrigin::TextTrace;
    session.currentTraceFile = path;
    auto importer = importPath(path);
    EXPECT_TRUE(importer->stream().empty());
    EXPECT_EQ(session.dataOrigin, DataOrigin::NothingToSave);
    EXPECT_EQ(session.currentTraceFile, "");
    ASSERT_EQ(prompter.shown.size(), 1u) << path;
    EXPECT_EQ(prompter.shown[0].text, "Can not open File!");
    EXPECT_EQ(prompter.shown[0].caption, "Error");
    EXPECT_EQ(prompter.shown[0].icon, PromptIcon::Error);
  }
  EXPECT_EQ(progress.starts, 2);
  EXPECT_EQ(progress.closes, 2);
}

TEST_F(TextTraceImporterTest, ProgressGrowsEveryHundredLinesAndAlwaysCloses) {
  std::string listing;
  for (int line = 0; line < 450; ++line) {
    listing += etmExec(0x1000);
  }
  importFile("trace.prn", listing);
  EXPECT_EQ(progress.starts, 1);
  EXPECT_EQ(progress.closes, 1);
  ASSERT_EQ(progress.updates.size(), 4u);
  std::uint32_t last = 0;
  for (const LoadProgress& update : progress.updates) {
    EXPECT_GT(update.percent, last);
    last = update.percent;
  }
  EXPECT_EQ(progress.updates[0].percent, 22u);  // line 100 starts after 99 of 450 equal lines

  progress.updates.clear();
  importFile("short.prn", etmExec(0x1000));
  EXPECT_TRUE(progress.updates.empty());
}

TEST_F(TextTraceImporterTest, OverlongAndBrokenLinesDoNotDisturbTheOthers) {
  const std::string listing = etmWrite(0xC0000020, 1, "1us") + "-1" + std::string(300000, 'x') +
                              "\r\n" + "-0000009  D:C00000\r\n" + "\x01\x02\xff\r\n" +
                              etmWrite(0xC0000022, 1, "1us") +
                              "-0000010  D:C0000020  wr-long  0000";  // cut short
  auto importer = importFile("trace.prn", listing);
  const EventStream& s = importer->stream();
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[1].kind, EventKind::END_PROC);
  EXPECT_DOUBLE_EQ(s[1].time, 2e-6);
  EXPECT_EQ(s[2].kind, EventKind::START_PROC);
  EXPECT_EQ(s[2].id, 0);
}

TEST_F(TextTraceImporterTest, LastLineCutBeforeAWordItNeedsCarriesNoWrite) {
  // With base 0 a missing address or data word would read as a START_PROC of id 0.
  session.settings.Set("startadress", "0");
  const std::string etm = "heading\n" + etmWrite(0x0, 0x12, "1us") + etmWrite(0x2, 0x12, "1us");
  const std::string tla =
      "TLA\nAddress\tData\tTimestamp\n" + tlaLine(0x0, 0x12) + tlaLine(0x2, 0x12);
  const std::string tlaSample =
      "TLA\nSample\tAddress\tData\tCycle\tTimestamp\n"
      "1\t00000000\t00000012\tMEM WR\t10 ns\n2\t00000002\t00000012\tMEM WR\t10 ns\n";
  struct Case {
    const char* name;
    std::string listing;
    std::size_t events;  // the two of the complete lines, plus what the last line gives
    double endTime;
  };
  const Case cases[] = {
      {"g.prn", etm + "-0000010  D:", 2, 2e-6},
      {"g.prn", etm + "-0000010  D:00000000", 2, 2e-6},
      {"g.prn", etm + "-0000010  D:00000000  wr-long  \r\n", 2, 2e-6},
      {"g.txt", tla + "00000000", 2, 20e-9},
      {"g.txt", tla + "00000000\t\r\n", 2, 20e-9},
      {"g.txt", tlaSample + "3\t", 2, 20e-9},
      {"g.txt", tlaSample + "3\t00000000\t", 2, 20e-9},
      // A time cut before its unit adds nothing, and the line is decoded.
      {"g.prn", etm + "-0000010  D:00000000  wr-long  00000034  1.0", 3, 2e-6},
      {"g.txt", tla + "00000000\t00000034\t12", 3, 20e-9},
      // An exec cycle needs no data.
      {"g.prn", etm + "-0000010  P:00000000  exec", 2, 2e-6},
      // A cut line followed by another is read as before: its missing word reads as empty.
      {"g.prn", etm + "-0000010  D:00000000\n" + etmWrite(0x2, 0x34, "1us"), 4, 3e-6},
      {"g.txt", tla + "00000000\n" + tlaLine(0x2, 0x34), 4, 30e-9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.listing);
    auto imported = importFile(c.name, c.listing);
    ASSERT_EQ(imported->stream().size(), c.events);
    EXPECT_EQ(imported->result.events, c.events);
    EXPECT_DOUBLE_EQ(imported->currentTime(), c.endTime);
    imported->engine.analyse(TimeWindow::wholeTrace());
    EXPECT_EQ(imported->engine.find(0) != nullptr, c.events == 4) << "phantom entry 0000";
  }

  // A cut last line is not counted either: as the 51st data line it would raise the address
  // question.
  std::string outside = "TLA\nAddress\tData\tTimestamp\n";
  for (int line = 0; line < 50; ++line) {
    outside += tlaLine(0x400, 0x12);
  }
  prompter.shown.clear();
  importFile("outside.txt", outside + "00000000");
  EXPECT_TRUE(prompter.shown.empty());
  importFile("outside.txt", outside + tlaLine(0x400, 0x12));
  EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST_F(TextTraceImporterTest, GarbageGivesTheSameCleanResultFromFileAndMemory) {
  session.settings.Set("startadress", "0");
  std::mt19937 random(7);
  std::string garbage;
  const char alphabet[] = "0123456789ABCDEF:<.\t \r\nsunmpx-FLOW ERRORSampleMES";
  for (int i = 0; i < 200000; ++i) {
    garbage += random() % 8 == 0 ? static_cast<char>(random() % 256)
                                 : alphabet[random() % (sizeof alphabet - 1)];
  }
  for (const char* name : {"g.prn", "g.txt", "g.mes"}) {
    SCOPED_TRACE(name);
    auto fromFile = importFile(name, garbage);
    auto fromMemory = importText(traceFileTypeOf(name), garbage);
    ASSERT_EQ(fromFile->stream().size(), fromMemory->stream().size());
    for (std::size_t i = 0; i < fromMemory->stream().size(); ++i) {
      ASSERT_EQ(fromFile->stream()[i].kind, fromMemory->stream()[i].kind);
    }
  }
}

}  // namespace
}  // namespace kelvor
