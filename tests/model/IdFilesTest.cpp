#include "model/IdFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "RecordingPrompter.h"
#include "session/LoadIdFiles.h"
#include "session/Session.h"

namespace kelvor {
namespace {

namespace fs = std::filesystem;

// A fresh directory per test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    path_ = fs::temp_directory_path() /
            ("kelvor-idfiles-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + std::to_string(counter++) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string write(const std::string& relative, const std::string& text) const {
    const fs::path file = path_ / relative;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
    return file.string();
  }
  std::string file(const std::string& relative) const { return (path_ / relative).string(); }

 private:
  fs::path path_;
};

ProcessTable list(const std::string& text) {
  ProcessTable table;
  idfiles::readIdList(text, table);
  return table;
}

ProcessTable header(const std::string& text, std::ostream* console = nullptr) {
  ProcessTable table;
  idfiles::readPidHeader(text, table, console);
  return table;
}

void expectEntry(const ProcessTable& table, std::uint32_t id, const std::string& name,
                 std::uint32_t priority, std::uint32_t origin) {
  const ProcessEntry* entry = table.find(id);
  ASSERT_NE(entry, nullptr) << "no entry " << std::hex << id;
  EXPECT_EQ(entry->name, name);
  EXPECT_EQ(entry->id, id);
  EXPECT_EQ(entry->priority, priority) << entry->name;
  EXPECT_EQ(entry->origin, origin) << entry->name;
}

// ---- ID list (.txt / .cepid) ----

TEST(IdListReader, ReadsOneEntryPerLine) {
  const struct {
    const char* line;
    std::uint32_t id;
    const char* name;
    std::uint32_t priority;
  } cases[] = {
      {"TASK_X\t0x1234\t0xffffff00\n", 0x1234, "TASK_X", 1000},
      {"TASK_Y\t\t0x00A0\t0x00000005\n", 0x00A0, "TASK_Y", 5},
      {"TASK_Z\t0x0042\n", 0x0042, "TASK_Z", 1000},
      {"TASK_Z\t0x0042", 0x0042, "TASK_Z", 1000},                      // no line end
      {"TASK_W\t0x0043\r\n", 0x0043, "TASK_W", 1000},                  // CR LF
      {"TASK_V\t0x0044\t\t0x12\r\n", 0x0044, "TASK_V", 0x12},          // short priority, CR LF
      {"TASK_U\t0x0045\t0xFFFFFF00\n", 0x0045, "TASK_U", 4294967040},  // marker is lower case
      {"count_membersMax TASK_M\t0x0007\t0x00000009\n", 0x0007, "TASK_M", 9},
      {"MEMBERSMAX\nMembersMaxB\nTASK_N\t0x0008\n", 0x0008, "TASK_N", 1000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const ProcessTable table = list(c.line);
    EXPECT_EQ(table.size(), 1u);
    expectEntry(table, c.id, c.name, c.priority, OriginIdList);
  }
}

TEST(IdListReader, ReadsManyLinesAndLaterIdsOverwrite) {
  const ProcessTable table = list(
      "P_ONE\t0x0001\t0x00000003\n"
      "P_TWO\t0x0002\n"
      "\n"
      "P_ONE_AGAIN\t0x0001\t0x00000004\n"
      "\n\n");  // trailing blank lines create nothing
  EXPECT_EQ(table.size(), 2u);
  expectEntry(table, 0x0001, "P_ONE_AGAIN", 4, OriginIdList);
  expectEntry(table, 0x0002, "P_TWO", 1000, OriginIdList);
}

TEST(IdListReader, EmptyOrNamelessTextCreatesNothing) {
  for (const char* text : {"", "\n", " \t\r\n", "MEMBERSMAX\n", "MembersMax_a membersmax_b"}) {
    EXPECT_TRUE(list(text).empty()) << text;
  }
}

// ---- PID header ----

constexpr const char* kProcessesHeader =
    "/* generated */\n"
    "#define THE_LAST_PROCESS 2\n"
    "#define P_ALPHA_ID 291 // P_ALPHA 291\n"
    "// priority: 5\n"
    "skipped one\n"
    "skipped two\n"
    "/* gap */\n"
    "#define P_BETA_ID 4096 // P_BETA 4660\n"
    "// priority: 17\n"
    "skipped\n"
    "skipped\n";

TEST(PidHeaderReader, ReadsProcessSectionsAndEchoesSearchWords) {
  std::ostringstream console;
  const ProcessTable table = header(kProcessesHeader, &console);
  EXPECT_EQ(table.size(), 2u);
  expectEntry(table, 291, "P_ALPHA", 5, OriginHeaderProcesses);
  expectEntry(table, 4660, "P_BETA", 17, OriginHeaderProcesses);
  EXPECT_EQ(console.str(), "#define\n/*\n#define\n");
}

TEST(PidHeaderReader, GbsMarkerOpensAProcessSection) {
  const ProcessTable table = header(
      "#define GBS_MAX_PROCESSES 9\n"
      "#define X // P_G 7\n"
      "// p 3\n\n\n");
  expectEntry(table, 7, "P_G", 3, OriginHeaderProcesses);
}

constexpr const char* kNoProcessHeader =
    "#define NO_PROCESS_EXISTS 0\n"
    "#define IRQ_TIMER 65539\n"
    "/* prio 12 */\n"
    "a\n"
    "b\n"
    "c\n"
    "#define IRQ_UART 65541\n"
    "/* prio 3 */\n";

TEST(PidHeaderReader, ReadsNoProcessSections) {
  std::ostringstream console;
  const ProcessTable table = header(kNoProcessHeader, &console);
  EXPECT_EQ(table.size(), 2u);
  expectEntry(table, 65539, "IRQ_TIMER", 12, OriginHeaderNoProcess);
  expectEntry(table, 65541, "IRQ_UART", 3, OriginHeaderNoProcess);
  EXPECT_EQ(console.str(), "#define\n#define\n");
}

TEST(PidHeaderReader, MalformedEntryKeepsEarlierValuesAndReadingGoesOn) {
  // The second entry's value is not a number: it keeps the value the first entry left (so its
  // name overwrites the first entry), and the third entry is read normally.
  const ProcessTable table = header(
      "NO_PROCESS_EXISTS\n"
      "#define FIRST 10\n/* prio 1 */\n\n\n\n"
      "#define BROKEN abc\n/* prio 2 */\n\n\n\n"
      "#define THIRD 30\n/* prio 3 */\n\n\n\n");
  EXPECT_EQ(table.size(), 2u);
  expectEntry(table, 10, "BROKEN", 1, OriginHeaderNoProcess);
  expectEntry(table, 30, "THIRD", 3, OriginHeaderNoProcess);
}

TEST(PidHeaderReader, EndsWithoutMarkerOrOnTruncatedText) {
  // Texts without a marker, and texts cut off in the middle of an entry, end cleanly.
  EXPECT_TRUE(header("").empty());
  EXPECT_TRUE(header("#define A 1\n#define B 2\n// just comments\n").empty());
  EXPECT_TRUE(header("THE_LAST_PROCESS").empty());
  EXPECT_TRUE(header("THE_LAST_PROCESS\n#define").empty());
  const std::string full = kProcessesHeader;
  for (std::size_t cut = 0; cut <= full.size(); ++cut) {
    const ProcessTable table = header(full.substr(0, cut));
    EXPECT_LE(table.size(), 2u);
  }
}

// ---- loading ----

class LoadIdFilesTest : public ::testing::Test {
 protected:
  ProcessTable load(const std::string& pid, const std::string& interrupts) {
    return loadIdFiles(pid, interrupts, &prompter, &console);
  }
  std::vector<std::string> texts() const {
    std::vector<std::string> result;
    for (const auto& shown : prompter.shown) {
      EXPECT_EQ(shown.kind, "message");
      EXPECT_EQ(shown.caption, "Warning");
      EXPECT_EQ(shown.icon, PromptIcon::Warning);
      result.push_back(shown.text);
    }
    return result;
  }

  TempDir dir;
  test::RecordingPrompter prompter;
  std::ostringstream console;
};

TEST_F(LoadIdFilesTest, EmptyPathsShowNothingAndGiveAnEmptyTable) {
  EXPECT_TRUE(load("", "").empty());
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(LoadIdFilesTest, UnopenableFilesAreReportedAndSkipped) {
  const std::string irq = dir.write("irq.h", kNoProcessHeader);
  const std::string missing = dir.file("missing");
  const struct {
    std::string pid;
    const char* message;
  } cases[] = {
      {missing + ".h",
       "Invalid (.h) PID Source Path/File Name ! Please change the file path in the menu "
       "\"configuration\\ID File\\PID File\""},
      {missing + ".txt",
       "Invalid (.txt) PID Source Path/File Name ! Please change the file path in the menu "
       "\"configuration\\ID File\\PID File\""},
      {missing + ".cepid",
       "Invalid (.cepid) PID Source Path/File Name ! Please change the file path in the menu "
       "\"configuration\\ID File\\PID File\""},
      {dir.file("pids.map"),
       "Enter Proper PID Source File Name (.h/.txt/.cepid) in Configuration Window"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pid);
    prompter.shown.clear();
    const ProcessTable table = load(c.pid, irq);
    EXPECT_EQ(texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(table.size(), 2u);  // the interrupt entries stay
  }

  prompter.shown.clear();
  const std::string pid = dir.write("pids.txt", "P\t0x0001\n");
  const ProcessTable table = load(pid, dir.file("no-irq.h"));
  EXPECT_EQ(texts(), std::vector<std::string>{
                         "Invalid Interrupt Source Path/File Name ! Please change the file path "
                         "in the menu \"configuration\\ID File\\Interrupt sources\""});
  EXPECT_EQ(table.size(), 1u);
}

TEST_F(LoadIdFilesTest, ReaderIsChosenByTheFirstTextFoundAnywhereInThePath) {
  // The folder name contains ".h", so the .txt file is read as a header.
  const std::string headerText = "NO_PROCESS_EXISTS\n#define P_H 5\n/* p 6 */\n\n\n\n";
  const std::string pid = dir.write("ids.hdr/pids.txt", headerText);
  const ProcessTable table = load(pid, "");
  EXPECT_TRUE(prompter.shown.empty());
  expectEntry(table, 5, "P_H", 6, OriginHeaderNoProcess);

  // ".txt" before ".cepid": a .cepid file in a folder named "x.txt" is a list either way.
  const std::string cepid = dir.write("x.txt/ids.cepid", "P_C\t0x0010\n");
  expectEntry(load(cepid, ""), 0x10, "P_C", 1000, OriginIdList);
  // Searching is case-sensitive: ".TXT" is none of the three.
  prompter.shown.clear();
  load(dir.write("IDS.TXT", "P\t0x0001\n"), "");
  EXPECT_EQ(texts(), std::vector<std::string>{idfiles::NoPidKindMessage});
}

TEST_F(LoadIdFilesTest, PidEntriesOverwriteInterruptEntriesOfTheSameId) {
  const std::string irq = dir.write("irq.h", kNoProcessHeader);
  const std::string pid = dir.write("pids.cepid", "OWN_TIMER\t0x0003\n");
  const ProcessTable ownIds = load(pid, irq);
  EXPECT_EQ(ownIds.size(), 3u);
  expectEntry(ownIds, 65539, "IRQ_TIMER", 12, OriginHeaderNoProcess);
  expectEntry(ownIds, 3, "OWN_TIMER", 1000, OriginIdList);
}

TEST_F(LoadIdFilesTest, DirectoriesAndOversizedFilesCannotBeOpened) {
  const std::string folder = dir.file("folder.txt");
  fs::create_directories(folder);
  const std::string big = dir.write("big.txt", "");
  fs::resize_file(big, idfiles::MaxFileSize + 1);
  for (const std::string& path : {folder, big}) {
    prompter.shown.clear();
    EXPECT_TRUE(load(path, "").empty());
    EXPECT_EQ(texts(), std::vector<std::string>{idfiles::TxtPidMessage});
  }
}

TEST_F(LoadIdFilesTest, SessionLoadStepInstallsTheTableFromTheSettings) {
  MemorySettingsBackend backend;
  Session session(backend);
  session.analysis.prompter = &prompter;
  session.analysis.console = &console;
  session.processTable.store("STALE", 0x0999, 1, OriginIdList);
  session.settings.Set("pid", dir.write("ids.txt", "P_S\t0x0020\t0x00000002\n"));
  session.settings.Set("interrupt_sources", dir.write("irq.h", kNoProcessHeader));

  loadIdFilesInto(session);
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(session.processTable.find(0x0999), nullptr);
  expectEntry(session.processTable, 0x20, "P_S", 2, OriginIdList);
  expectEntry(session.processTable, 65541, "IRQ_UART", 3, OriginHeaderNoProcess);
  EXPECT_EQ(console.str(), "#define\n#define\n");
}

}  // namespace
}  // namespace kelvor
