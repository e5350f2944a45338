#include "io/MesFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ImportFixture.h"

namespace kelvor {
namespace {

class MesFileTest : public test::ImportFixture {
 protected:
  void add(double time, EventKind kind, std::uint16_t id, std::uint32_t number,
           std::uint32_t address = 0, double clock = 0.0) {
    source.append(TraceEvent(time, id, kind, number, address, clock, 0));
  }
  std::unique_ptr<test::Imported> readBack(const std::string& path) { return importPath(path); }

  EventStream source;
};

TEST_F(MesFileTest, LinesMatchThePrintfLayout) {
  const double times[] = {0.0, 1.23456789, 2.5e-7, 1234567.0000005, -0.0, -3.25, 1e22};
  std::string expected = "MES\r\n";
  for (std::size_t i = 0; i < std::size(times); ++i) {
    add(times[i], EventKind::START_IRQ, 0, 0x1A, 0xDEADBEEF);
    char line[512];
    std::snprintf(line, sizeof line, "%d\t%lf\t0x%x\t%s\t0x%x\t0x%x\r\n", static_cast<int>(i),
                  times[i], 0x1Au, "START_IRQ", 0x1Au, 0xDEADBEEFu);
    expected += line;
  }
  add(0.0, static_cast<EventKind>(13), 7, 0);
  expected += "7\t0.000000\t0x7\tINVALID\t0x0\t0x0\r\n";
  const std::string path = (dir / "out.mes").string();
  ASSERT_TRUE(writeMesFile(source, path));
  EXPECT_EQ(read(path), expected);
}

TEST_F(MesFileTest, ExceptLeavesOutTheRangeAndKeepsIndices) {
  add(0.1, EventKind::START_PROC, 1, 0);
  add(0.2, EventKind::END_PROC, 1, 0);
  add(0.3, EventKind::START_PROC, 2, 0);
  const std::string path = (dir / "cut.mes").string();
  ASSERT_TRUE(writeMesFileExcept(source, path, 0, 1));
  EXPECT_EQ(read(path), "MES\r\n2\t0.300000\t0x2\tSTART_PROC\t0x0\t0x0\r\n");
  ASSERT_TRUE(writeMesFileExcept(source, path, 1, 0xFFFFFFFFu));
  EXPECT_EQ(read(path), "MES\r\n0\t0.100000\t0x1\tSTART_PROC\t0x0\t0x0\r\n");
}

TEST_F(MesFileTest, UnwritableTargetFailsAndLeavesNothing) {
  add(0.1, EventKind::START_PROC, 1, 0);
  EXPECT_FALSE(writeMesFile(source, (dir / "no-such-dir" / "x.mes").string()));
  EXPECT_FALSE(std::filesystem::exists(dir / "no-such-dir"));
}

TEST_F(MesFileTest, RoundTripKeepsWhatTheFormatCarries) {
  add(1.23456789, EventKind::START_PROC, 0x1234, 0);
  add(1.5, EventKind::START_IRQ, 0, 0x1A);
  add(1.6, EventKind::SET_IRQ_LEVEL, 0, 0x83);
  add(1.7, EventKind::RAISE_IRQ_LEVEL, 0, 0x83);
  add(1.8, EventKind::RESTORE_IRQ_LEVEL, 0, 0x03);
  add(1.9, EventKind::PSEUDO_PROCESS, 0, 4);
  add(2.0, EventKind::CLK_SPEED, 0, 0, 0, 52.0);
  add(2.1, EventKind::END_IRQ, 0, 0x1A);
  add(2.2, EventKind::USER_MARK, 5, 0);
  add(2.3, EventKind::USER_ENTER, 5, 0);
  add(2.4, EventKind::USER_EXIT, 0, 6);
  add(2.5, EventKind::END_PROC, 0x1234, 0);
  const std::string path = (dir / "trip.mes").string();
  ASSERT_TRUE(writeMesFile(source, path));

  auto importer = readBack(path);
  const EventStream& s = importer->stream();
  ASSERT_EQ(s.size(), 8u);
  EXPECT_EQ(s[0].kind, EventKind::START_PROC);
  EXPECT_EQ(s[0].id, 0x1234);
  EXPECT_EQ(s[0].time, 1.234568);
  EXPECT_TRUE(session.seenIds.isSeen(0x1234));
  EXPECT_EQ(s[1].kind, EventKind::START_IRQ);
  EXPECT_EQ(s[1].number, 0x1Au);
  EXPECT_EQ(s[1].id, 0);
  // The export has no clock column: a clock change comes back at 0.0, and the lines after it
  // are read as usual.
  EXPECT_EQ(s[2].kind, EventKind::CLK_SPEED);
  EXPECT_EQ(s[2].clock, 0.0);
  EXPECT_EQ(s[2].time, 2.0);
  EXPECT_EQ(s[3].kind, EventKind::END_IRQ);
  EXPECT_EQ(s[4].kind, EventKind::USER_MARK);
  EXPECT_EQ(s[4].id, 5);
  EXPECT_EQ(s[5].kind, EventKind::USER_ENTER);
  EXPECT_EQ(s[5].id, 0);
  EXPECT_EQ(s[5].number, 0x20005u);
  EXPECT_EQ(s[6].kind, EventKind::USER_EXIT);
  EXPECT_EQ(s[6].number, 0x20006u);
  EXPECT_EQ(s[7].kind, EventKind::END_PROC);
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(MesFileTest, ReadsNineColumnClockLinesAndTheLegacyForm) {
  auto tab = importFile("nine.mes",
                        "MES\n0\t0.5\t0x0\tCLK_SPEED\t0x3\t0x0\t0x8\t0\t52\n"
                        "1\t0.75\t0x0\tCLK_SPEED\t0x3\t0x0\t0x8\t0\tfast\n");
  ASSERT_EQ(tab->stream().size(), 2u);
  EXPECT_EQ(tab->stream()[0].clock, 52.0);
  EXPECT_EQ(tab->stream()[1].clock, 0.0);

  auto legacy = importFile("old.mes",
                           "Measurement of today\r\n"
                           "0.5 18\tSTART_PROC\r\n"
                           "not a record\r\n"
                           "0.75 0\tSTART_IRQ\t26\r\n"
                           "1.0 0\tCLK_SPEED\t3\tx\ty\t0\t-26\r\n"
                           "1.5 131077\tUSER_ENTER\r\n");
  const EventStream& s = legacy->stream();
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[0].kind, EventKind::START_PROC);
  EXPECT_EQ(s[0].id, 18);
  EXPECT_EQ(s[0].time, 0.5);
  EXPECT_EQ(s[1].number, 26u);
  EXPECT_EQ(s[2].clock, -26.0);
  EXPECT_EQ(s[3].number, 131077u);
}

TEST_F(MesFileTest, LongColumnsAndBrokenLinesAreSkippedCleanly) {
  const std::string longName = "START_PROC" + std::string(200, 'X');
  auto importer = importFile("odd.mes",
                             "MES\r\n"
                             "0\t0.1\t0x1\t" +
                                 longName +
                                 "\t0x0\t0x0\r\n"
                                 "1\t0.2\t0x2\tSTART_PROC" +
                                 std::string(5000, ' ') +
                                 "\t0x0\r\n"
                                 "2\t0.3\t0x3\r\n"
                                 "\r\n"
                                 "3\t0.4\t0x4\tSTART_PROC\t0x0\t0x0");
  const EventStream& s = importer->stream();
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].id, 2);
  EXPECT_EQ(s[1].id, 4);
  EXPECT_EQ(s[1].time, 0.4);
}

TEST_F(MesFileTest, EmptyBaseAddressLoadsNothing) {
  session.settings.Set("startadress", "");
  auto importer = importFile("x.mes", "MES\n0\t0.1\t0x1\tSTART_PROC\t0x0\t0x0\n");
  EXPECT_TRUE(importer->stream().empty());
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, TextTraceImporter::NoBaseAddressText);
}

}  // namespace
}  // namespace kelvor
