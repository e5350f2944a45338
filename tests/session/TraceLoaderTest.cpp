#include "session/TraceLoader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "RecordingPrompter.h"
#include "io/RunFile.h"

namespace kelvor {
namespace {

namespace fs = std::filesystem;

// A session on in-memory settings with a recorded prompter, and a scratch directory.
class TraceLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session.analysis.prompter = &prompter;
    session.analysis.console = &console;
    session.settings.Set("startadress", "C0000020");
    dir = fs::temp_directory_path() /
          (std::string("kelvor-loader-") +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string write(const std::string& name, const std::string& text) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }
  // A .prn listing: process 0x12 starts, interrupt 3 runs inside it, the process ends.
  std::string prnListing() {
    return " Record listing\n"
           "-000004 D:C0000020 wr-long 00000012 1.000us\n"
           "-000003 D:C0000028 wr-long 00000003 1.000us\n"
           "-000002 D:C000002A wr-long 00000003 0.500us\n"
           "-000001 D:C0000022 wr-long 00000012 2.000us\n";
  }
  std::vector<std::string> texts() const {
    std::vector<std::string> all;
    for (const auto& shown : prompter.shown) {
      all.push_back(shown.text);
    }
    return all;
  }

  MemorySettingsBackend backend;
  Session session{backend};
  test::RecordingPrompter prompter;
  std::ostringstream console;
  fs::path dir;
};

TEST_F(TraceLoaderTest, ExtensionIsMatchedExactly) {
  const std::string upper = write("trace.PRN", prnListing());
  EXPECT_EQ(openTraceFile(session, upper), OpenResult::Failed);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text,
            "Loaded File Format Not Supported (Supported :- .prn/.txt/.run)");
  EXPECT_EQ(prompter.shown[0].caption, "Invalid File Format");
  EXPECT_EQ(prompter.shown[0].icon, PromptIcon::Error);
}

TEST_F(TraceLoaderTest, ListingLoadSetsOriginAndAnalyses) {
  const std::string path = write("trace.prn", prnListing());
  ASSERT_EQ(openTraceFile(session, path), OpenResult::Loaded) << ::testing::PrintToString(texts());
  EXPECT_EQ(session.dataOrigin, DataOrigin::TextTrace);
  EXPECT_EQ(session.acquisitionState, AcquisitionState::Loaded);
  EXPECT_EQ(session.runFileLoaded, 0u);
  EXPECT_EQ(session.currentTraceFile, path);
  EXPECT_EQ(session.currentExtension, "prn");
  ASSERT_NE(session.engine, nullptr);
  EXPECT_EQ(session.engine->stream().size(), 4u);
  const ProcessStats* process = session.engine->find(0x12);
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(process->calls, 1u);
  EXPECT_NEAR(process->totalWithInt, 3.5e-6, 1e-12);
  EXPECT_NEAR(process->totalWithoutInt, 3.0e-6, 1e-12);
}

TEST_F(TraceLoaderTest, RunFileRoundTripSetsRunOrigin) {
  ASSERT_EQ(openTraceFile(session, write("trace.prn", prnListing())), OpenResult::Loaded);
  const std::string run = (dir / "saved.run").string();
  ASSERT_EQ(saveRunFile(session, run), RunFile::WriteOk);

  session.dataOrigin = DataOrigin::NothingToSave;
  ASSERT_EQ(openTraceFile(session, run), OpenResult::Loaded);
  EXPECT_EQ(session.dataOrigin, DataOrigin::RunFile);
  EXPECT_EQ(session.acquisitionState, AcquisitionState::RunFile);
  EXPECT_EQ(session.runFileLoaded, 1u);
  EXPECT_EQ(session.engine->stream().size(), 4u);
  EXPECT_NEAR(session.engine->find(0x12)->totalWithoutInt, 3.0e-6, 1e-12);
}

TEST_F(TraceLoaderTest, BadRunFileMagicNamesThePathAndLeavesAnEmptyEngine) {
  const std::string path = write("broken.run", std::string(104, 'x'));
  EXPECT_EQ(openTraceFile(session, path), OpenResult::Failed);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "Invalid Magic Number Found in the Runfile " + path +
                                        " \n Please open a valid run file");
  ASSERT_NE(session.engine, nullptr);
  EXPECT_EQ(session.engine->stream().size(), 0u);

  prompter.shown.clear();
  EXPECT_EQ(openTraceFile(session, write("short.run", "Kel")), OpenResult::Failed);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "Unable to open the file.");
}

TEST_F(TraceLoaderTest, MissingListingIsUnreadableAndNothingToSave) {
  EXPECT_EQ(openTraceFile(session, (dir / "missing.txt").string()), OpenResult::Unreadable);
  EXPECT_EQ(session.dataOrigin, DataOrigin::NothingToSave);
  EXPECT_TRUE(session.currentTraceFile.empty());
  ASSERT_NE(session.engine, nullptr);
  EXPECT_EQ(texts(), std::vector<std::string>{"Can not open File!"});

  prompter.shown.clear();
  EXPECT_EQ(openTraceFile(session, (dir / "missing.mes").string()), OpenResult::Unreadable);
  EXPECT_EQ(session.dataOrigin, DataOrigin::NothingToSave)
      << "an unreadable .mes has nothing to save";
}

TEST_F(TraceLoaderTest, MissingBaseAddressLoadsNothing) {
  session.settings.Set("startadress", "");
  EXPECT_EQ(openTraceFile(session, write("trace.prn", prnListing())), OpenResult::Unreadable);
  EXPECT_EQ(session.engine->stream().size(), 0u);
  EXPECT_EQ(texts(),
            std::vector<std::string>{"Error: Base address of MOP area is not specified!\n"});
}

TEST_F(TraceLoaderTest, ImportWithoutEventsLeavesNothingToSave) {
  struct Case {
    const char* name;
    std::string text;
    const char* base;
    OpenResult result;
  };
  const Case cases[] = {
      {"empty.prn", "", "C0000020", OpenResult::Loaded},
      {"empty.mes", "", "C0000020", OpenResult::Loaded},
      {"header.mes", "MES\r\n", "C0000020", OpenResult::Loaded},
      {"exec.prn", " heading\n-000001 P:C0000020 exec 1.000us\n", "C0000020", OpenResult::Loaded},
      {"outside.prn", " heading\n-000001 D:00001000 wr-long 00000012 1.000us\n", "C0000020",
       OpenResult::Loaded},
      {"nobase.prn", prnListing(), "", OpenResult::Unreadable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    session.settings.Set("startadress", c.base);
    EXPECT_EQ(openTraceFile(session, write(c.name, c.text)), c.result);
    EXPECT_TRUE(session.engine->stream().empty());
    EXPECT_EQ(session.dataOrigin, DataOrigin::NothingToSave);
    EXPECT_FALSE(needsRunSave(session.dataOrigin));
  }
  // One event is data worth saving.
  session.settings.Set("startadress", "C0000020");
  EXPECT_EQ(openTraceFile(session, write("one.prn",
                                         " heading\n-000001 D:C0000020 wr-long "
                                         "00000012 1.000us\n")),
            OpenResult::Loaded);
  EXPECT_EQ(session.dataOrigin, DataOrigin::TextTrace);
}

TEST_F(TraceLoaderTest, LessThanTimestampInTlaListingWarnsOnceAfterTheLoad) {
  session.settings.Set("startadress", "20");
  const std::string path = write("trace.txt",
                                 "heading line\n"
                                 "Sample\tAddress\tData\tMnemonic\tTimestamp\n"
                                 "1\t00000020\t00000012\tWR DATA\t<1 ns\n"
                                 "2\t00000022\t00000012\tWR DATA\t2 ns\n");
  ASSERT_EQ(openTraceFile(session, path), OpenResult::Loaded);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].caption, "Timestamp Error");
  EXPECT_EQ(prompter.shown[0].text.rfind("Error:\n There has been detected at least one '<'", 0),
            0u);
  EXPECT_NE(prompter.shown[0].text.find("TLA and  export the Trace again."), std::string::npos);
  EXPECT_FALSE(session.lessThanSeen);
  ASSERT_EQ(session.engine->stream().size(), 2u);
  EXPECT_NEAR(session.engine->stream()[0].time, 1e-9, 1e-18);
}

TEST_F(TraceLoaderTest, AnsweringNoAtTheMopAreaQuestionAbandonsTheImport) {
  std::string listing = " heading\n";
  for (int i = 0; i < 60; ++i) {
    listing += "-00001 D:00001000 wr-long 00000012 1.000us\n";  // outside the MOP area
  }
  // One write into the area after the question, so that going on gives data worth saving.
  listing += "-00001 D:C0000020 wr-long 00000012 1.000us\n";
  prompter.answers.push_back(PromptAnswer::No);
  EXPECT_EQ(openTraceFile(session, write("wrong.prn", listing)), OpenResult::Abandoned);
  EXPECT_EQ(session.dataOrigin, DataOrigin::NothingToSave);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].kind, "yesno");
  EXPECT_EQ(prompter.shown[0].caption, "Error MOP-Area address");

  prompter.answers.push_back(PromptAnswer::Yes);
  EXPECT_EQ(openTraceFile(session, write("wrong.prn", listing)), OpenResult::Loaded);
  EXPECT_EQ(session.dataOrigin, DataOrigin::TextTrace);
}

TEST_F(TraceLoaderTest, NestingWarningIsRearmedForEachListingLoad) {
  std::string listing = " heading\n";
  for (int i = 0; i < 31; ++i) {
    listing += "-00001 D:C0000020 wr-long 000001" + std::to_string(10 + i) + " 1.000us\n";
  }
  const std::string path = write("deep.prn", listing);
  ASSERT_EQ(openTraceFile(session, path), OpenResult::Loaded);
  ASSERT_EQ(openTraceFile(session, path), OpenResult::Loaded);
  int warnings = 0;
  for (const auto& text : texts()) {
    warnings += text.find("Too many nested") != std::string::npos;
  }
  EXPECT_EQ(warnings, 2);
}

}  // namespace
}  // namespace kelvor
