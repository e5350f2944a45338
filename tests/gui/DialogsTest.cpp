#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "GuiTestSupport.h"
#include "app/CSetupSheet.h"
#include "io/FrameCut.h"
#include "views/CutFramesDialog.h"

namespace kelvor::test {
namespace {

using gui::CSetupSheet;
using gui::CutFramesDialog;

TEST(SetupSheetTest, EmptyStoreGivesEmptyFieldsAndTheDefaultRefreshRate) {
  MemorySettingsBackend backend;
  SettingsStore store(backend);
  gui::SetupFields fields;
  fields.loadFromStore(store);
  for (const char* key : gui::SetupFields::Keys) {
    EXPECT_EQ(fields[key], std::string(key) == "RefreshRate" ? "1000" : "") << key;
  }
  EXPECT_TRUE(fields.pidFileMissing);
  EXPECT_TRUE(fields.interruptFileMissing);
}

TEST(SetupSheetTest, StoreCarriesHiddenAndUnknownValuesThrough) {
  MemorySettingsBackend backend({{"clkspeedstart", "52"},
                                 {"mapping", "map.txt"},
                                 {"TimerMemOffset", "8"},
                                 {"SomethingElse", "kept"},
                                 {"pid", "old.cepid"}});
  SettingsStore store(backend);
  store.Load();
  RecordingPrompter prompter;
  ScriptedFileDialogs dialogs;
  CSetupSheet sheet(store, prompter, dialogs);
  EXPECT_EQ(sheet.pidFileEdit()->text(), "old.cepid");
  EXPECT_EQ(sheet.pages()->count(), 3);
  EXPECT_EQ(sheet.pages()->tabText(0), "MOP-Area Address");
  EXPECT_EQ(sheet.pages()->tabText(1), "Process names");
  EXPECT_EQ(sheet.pages()->tabText(2), "Serial");
  sheet.startAddressEdit()->setText("C0000020");
  sheet.interruptFileEdit()->setText("irq.h");
  sheet.storeToStore();
  EXPECT_TRUE(store.Save());

  SettingsStore reloaded(backend);
  reloaded.Load();
  EXPECT_EQ(reloaded.Get("startadress"), "C0000020");
  EXPECT_EQ(reloaded.Get("interrupt_sources"), "irq.h");
  EXPECT_EQ(reloaded.Get("pid"), "old.cepid");
  EXPECT_EQ(reloaded.Get("clkspeedstart"), "52");
  EXPECT_EQ(reloaded.Get("mapping"), "map.txt");
  EXPECT_EQ(reloaded.Get("TimerMemOffset"), "8");
  EXPECT_EQ(reloaded.Get("RefreshRate"), "1000");
  EXPECT_EQ(reloaded.Get("SomethingElse"), "kept");
  EXPECT_FALSE(reloaded.Contains("MessageMemAddress"));
}

TEST(SetupSheetTest, EmptyFieldsDoNotCreateAbsentNames) {
  MemorySettingsBackend backend;
  SettingsStore store(backend);
  gui::SetupFields fields;
  fields.loadFromStore(store);
  fields.storeToStore(store);
  EXPECT_FALSE(store.Contains("mapping"));  // would change the analysis' starting clock
  EXPECT_EQ(store.values(), (std::map<std::string, std::string>{{"RefreshRate", "1000"}}));
}

TEST(SetupSheetTest, BrowseAsksAgainUntilAReadableIdFileIsChosen) {
  QTemporaryDir dir;
  const QString good = dir.path() + "/ids.TXT";
  writeText(good.toStdString(), "Task\t0x0100\n");
  MemorySettingsBackend backend;
  SettingsStore store(backend);
  RecordingPrompter prompter;
  ScriptedFileDialogs dialogs;
  CSetupSheet sheet(store, prompter, dialogs);
  dialogs.answers = {dir.path() + "/ids.doc", dir.path() + "/missing.cepid", good};
  sheet.browsePidFile();
  std::vector<std::string> texts;
  for (const auto& shown : prompter.shown) {
    texts.push_back(shown.text);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"Error: Invalid file", "Error: File Not Found"}));
  EXPECT_EQ(sheet.pidFileEdit()->text(), good);
  // A .txt file chosen last puts its filter first; a cancelled dialog changes nothing.
  sheet.browsePidFile();
  EXPECT_TRUE(dialogs.filters.back().startsWith("ID Decoding Files (*.txt)"));
  EXPECT_EQ(sheet.pidFileEdit()->text(), good);
}

class CutFramesTest : public ::testing::Test, public SessionFixture {
 protected:
  CutFramesTest() {
    for (int i = 0; i < 1000; ++i) {
      session.engine->append(TraceEvent(i * 0.001, 0, EventKind::USER_MARK, 1, 0, 0.0, 0));
    }
    session.currentTraceFile = "trace.prn";
  }
  QTemporaryDir dir;
  ScriptedFileDialogs dialogs;
  CutFramesDialog dialog{session, prompter, dialogs};
};

TEST_F(CutFramesTest, ChecksTheRangeBeforeAskingForAFile) {
  const struct {
    const char* from;
    const char* to;
    FrameCutCheck check;
  } cases[] = {{"10", "20", FrameCutCheck::NotFromTheStart},
               {"5", "5", FrameCutCheck::FromSameAsTo},
               {"-1", "5", FrameCutCheck::FromAfterTo}};  // -1 compares as 0xFFFFFFFF
  for (const auto& c : cases) {
    dialog.fromEdit()->setText(c.from);
    dialog.toEdit()->setText(c.to);
    dialog.applyFields();
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back().text, std::string(frameCutMessage(c.check)));
  }
  EXPECT_TRUE(dialogs.filters.empty());
  session.currentTraceFile.clear();
  EXPECT_FALSE(dialog.cut(0, 99));
  EXPECT_EQ(prompter.shown.back().text, std::string(frameCutMessage(FrameCutCheck::NoTraceFile)));
}

TEST_F(CutFramesTest, WritesTheEventsAfterTheCutWithTheirIndices) {
  const QString target = dir.path() + "/cut.mes";
  dialogs.answers = {target};
  dialog.fromEdit()->setText("0");
  dialog.toEdit()->setText("99");
  dialog.applyFields();
  EXPECT_EQ(prompter.shown.back().text, frameCutSavedMessage(target.toStdString()));
  QFile file(target);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = file.readAll().split('\n');
  EXPECT_EQ(lines.front().trimmed(), "MES");
  EXPECT_TRUE(lines[1].startsWith("100\t"));
  EXPECT_EQ(lines.size(), 902);  // "MES", 900 events, nothing after the last line end
  EXPECT_EQ(dialogs.suffixes.back(), "mes");

  // A file that cannot be written is reported as such, not as saved.
  dialogs.answers = {dir.path() + "/no-such-dir/cut.mes"};
  dialog.applyFields();
  EXPECT_EQ(prompter.shown.back().text, "Unable to save the file.");
}

}  // namespace
}  // namespace kelvor::test
