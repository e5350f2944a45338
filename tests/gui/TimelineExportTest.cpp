#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>

#include "GuiTestSupport.h"
#include "app/CMainFrame.h"

namespace kelvor::test {
namespace {

class TimelineExportTest : public ::testing::Test, public SessionFixture {
 protected:
  TimelineExportTest() { session.settings.Set("startadress", "C0000020"); }

  QString qpath(const char* name) { return dir.path() + "/" + name; }

  QTemporaryDir dir;
  QSettings profileSettings{dir.path() + "/profile.conf", QSettings::IniFormat};
  gui::ApplicationProfile profile{profileSettings};
  ScriptedFileDialogs dialogs;
  gui::CKelvorDoc document{session, prompter, dialogs};
};

TEST_F(TimelineExportTest, FileMenuCommandWritesTheTimelineOrSaysWhyNot) {
  gui::CMainFrame frame(document, profile);
  QAction* command = frame.action("Export Timeline...");
  ASSERT_NE(command, nullptr);

  command->trigger();
  EXPECT_EQ(texts(), std::vector<std::string>{"There is no data to be saved."});
  EXPECT_TRUE(dialogs.filters.empty());

  // Process 0x0312 runs twice.
  std::string text = "header line\n";
  text += etmWrite(1, 0, 0x0312, "1.000us");
  text += etmWrite(2, 2, 0x0312, "5.000us");
  text += etmWrite(3, 0, 0x0312, "1.000us");
  text += etmWrite(4, 2, 0x0312, "3.000us");
  writeText(qpath("a.prn").toStdString(), text);
  ASSERT_TRUE(document.openDocument(qpath("a.prn")));

  dialogs.answers = {qpath("timeline.json"), qpath("missing-dir/timeline.json")};
  command->trigger();
  EXPECT_EQ(dialogs.suffixes.back(), "json");
  QFile file(qpath("timeline.json"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QJsonParseError error;
  const QJsonDocument json = QJsonDocument::fromJson(file.readAll(), &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
  int running = 0;
  for (const QJsonValue& event : json.object()["traceEvents"].toArray()) {
    if (event["ph"] == "X") {
      EXPECT_EQ(event["tid"].toInt(), 0x0312);
      ++running;
    }
  }
  EXPECT_EQ(running, 2);

  const std::size_t shown = prompter.shown.size();
  command->trigger();
  ASSERT_EQ(prompter.shown.size(), shown + 1);
  EXPECT_EQ(prompter.shown.back().text, "Unable to save the file.");
}

}  // namespace
}  // namespace kelvor::test
