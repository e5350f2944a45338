#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "GuiTestSupport.h"
#include "app/CKelvorDoc.h"
#include "app/GuiPrompter.h"
#include "io/RunFile.h"
#include "views/StatisticsTableModel.h"

namespace kelvor::test {
namespace {

using gui::CKelvorDoc;
using gui::SaveOutcome;

// Records on which thread each question was asked.
class ThreadRecordingPrompter final : public Prompter {
 public:
  explicit ThreadRecordingPrompter(RecordingPrompter& inner) : inner_(inner) {}
  void message(std::string_view text, std::string_view caption, PromptIcon icon) override {
    threads.push_back(QThread::currentThread());
    inner_.message(text, caption, icon);
  }
  PromptAnswer askYesNo(std::string_view text, std::string_view caption, PromptIcon icon) override {
    threads.push_back(QThread::currentThread());
    return inner_.askYesNo(text, caption, icon);
  }
  PromptAnswer askYesNoCancel(std::string_view text, std::string_view caption,
                              PromptIcon icon) override {
    threads.push_back(QThread::currentThread());
    return inner_.askYesNoCancel(text, caption, icon);
  }
  std::vector<QThread*> threads;

 private:
  RecordingPrompter& inner_;
};

class DocumentFlowTest : public ::testing::Test, public SessionFixture {
 protected:
  DocumentFlowTest() : threadRecorder(prompter), mainThread(threadRecorder) {
    // Questions of the readers on the load's worker thread reach the recorder on this thread.
    session.analysis.prompter = &mainThread;
    session.settings.Set("startadress", "C0000020");
  }

  std::string path(const char* name) { return (dir.path() + "/" + name).toStdString(); }
  QString qpath(const char* name) { return dir.path() + "/" + name; }

  // A short ETM listing: process 0x0312 runs twice.
  std::string writePrn(const char* name) {
    std::string text = "header line\n";
    text += etmWrite(1, 0, 0x0312, "1.000us");
    text += etmWrite(2, 2, 0x0312, "5.000us");
    text += etmWrite(3, 0, 0x0312, "1.000us");
    text += etmWrite(4, 2, 0x0312, "3.000us");
    writeText(path(name), text);
    return path(name);
  }

  std::vector<std::string> questions() const {
    std::vector<std::string> result;
    for (const auto& shown : prompter.shown) {
      if (shown.kind != "message") {
        result.push_back(shown.text);
      }
    }
    return result;
  }

  QTemporaryDir dir;
  ThreadRecordingPrompter threadRecorder;
  gui::MainThreadPrompter mainThread;
  ScriptedFileDialogs dialogs;
  CKelvorDoc document{session, mainThread, dialogs};
};

TEST_F(DocumentFlowTest, TextTraceLoadSetsTheOriginAndAsksBeforeItIsReplaced) {
  int rebuilds = 0;
  QObject::connect(&document, &CKelvorDoc::viewsRebuild, [&] { ++rebuilds; });
  ASSERT_TRUE(document.openDocument(QString::fromStdString(writePrn("a.prn"))));
  EXPECT_EQ(session.dataOrigin, DataOrigin::TextTrace);
  EXPECT_EQ(session.acquisitionState, AcquisitionState::Loaded);
  EXPECT_EQ(session.runFileLoaded, 0u);
  EXPECT_EQ(session.engine->stream().size(), 4u);
  EXPECT_EQ(rebuilds, 1);
  EXPECT_TRUE(prompter.shown.empty());

  const QString second = QString::fromStdString(writePrn("b.prn"));
  // Cancel keeps everything; Yes with a cancelled save dialog too.
  prompter.answers = {PromptAnswer::Cancel, PromptAnswer::Yes};
  EXPECT_FALSE(document.openDocument(second));
  EXPECT_FALSE(document.openDocument(second));
  EXPECT_EQ(questions(), std::vector<std::string>(2, SaveRunQuestion));
  EXPECT_EQ(session.currentTraceFile, path("a.prn"));
  EXPECT_EQ(session.dataOrigin, DataOrigin::TextTrace);

  // Yes and a .run name: saved, then loaded.
  prompter.answers = {PromptAnswer::Yes};
  dialogs.answers = {qpath("saved.run")};
  EXPECT_TRUE(document.openDocument(second));
  EXPECT_TRUE(QFile::exists(qpath("saved.run")));
  EXPECT_EQ(session.currentTraceFile, path("b.prn"));
  EXPECT_EQ(dialogs.filters.back(), gui::SaveRunFilter);
}

TEST_F(DocumentFlowTest, ImportWithoutEventsAsksNothingBeforeTheNextOpen) {
  writeText(path("empty.prn"), "");
  ASSERT_TRUE(document.openDocument(qpath("empty.prn")));
  EXPECT_EQ(session.dataOrigin, DataOrigin::NothingToSave);
  ASSERT_TRUE(document.openDocument(QString::fromStdString(writePrn("b.prn"))));
  // Neither the save question nor "There is no data to be saved." after a Yes.
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(session.engine->stream().size(), 4u);
}

TEST_F(DocumentFlowTest, RunFileLoadAsksNothingBeforeTheNextOpen) {
  ASSERT_TRUE(document.openDocument(QString::fromStdString(writePrn("a.prn"))));
  ASSERT_EQ(saveRunFile(session, path("a.run")), RunFile::WriteOk);
  prompter.answers = {PromptAnswer::No};
  ASSERT_TRUE(document.openDocument(qpath("a.run")));
  EXPECT_EQ(session.dataOrigin, DataOrigin::RunFile);
  EXPECT_EQ(session.acquisitionState, AcquisitionState::RunFile);
  EXPECT_EQ(session.runFileLoaded, 1u);
  EXPECT_EQ(session.engine->stream().size(), 4u);
  EXPECT_EQ(questions().size(), 1u);

  ASSERT_TRUE(document.openDocument(QString::fromStdString(writePrn("b.prn"))));
  EXPECT_EQ(questions().size(), 1u);
  EXPECT_EQ(session.dataOrigin, DataOrigin::TextTrace);
}

TEST_F(DocumentFlowTest, RunFileWithAWrongMagicLeavesAnEmptyEngine) {
  ASSERT_TRUE(document.openDocument(QString::fromStdString(writePrn("a.prn"))));
  writeText(path("bad.run"), std::string(200, 'x'));
  prompter.answers = {PromptAnswer::No};
  EXPECT_FALSE(document.openDocument(qpath("bad.run")));
  ASSERT_FALSE(prompter.shown.empty());
  EXPECT_EQ(prompter.shown.back().text, "Invalid Magic Number Found in the Runfile " +
                                            path("bad.run") + " \n Please open a valid run file");
  ASSERT_NE(session.engine, nullptr);
  EXPECT_TRUE(session.engine->stream().empty());
}

TEST_F(DocumentFlowTest, OpenCommandChecksTheExtensionTwice) {
  // The dialog and the loader both want the exact lower-case ending: "trace.PRN" is refused by
  // the dialog's check already and the dialog opens again.
  dialogs.answers = {qpath("notes.doc"), qpath("trace.PRN")};
  EXPECT_FALSE(document.openCommand());
  EXPECT_EQ(texts(), std::vector<std::string>(2, "Unsupported file."));
  EXPECT_EQ(dialogs.filters, std::vector<QString>(3, gui::OpenFilter));
  // A name that reaches the document another way (a drop, the command line) meets the loader's
  // message.
  EXPECT_FALSE(document.openDocument(qpath("trace.PRN")));
  EXPECT_EQ(prompter.shown.back().text,
            "Loaded File Format Not Supported (Supported :- .prn/.txt/.run)");
  EXPECT_EQ(prompter.shown.back().caption, "Invalid File Format");
  EXPECT_EQ(session.dataOrigin, DataOrigin::NothingToSave);
}

TEST_F(DocumentFlowTest, RelativePathIsOpenedUnderItsAbsoluteName) {
  writePrn("a.prn");
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  const QString absolute = QDir::current().absoluteFilePath("a.prn");
  QStringList titles;
  QStringList recent;
  QObject::connect(&document, &CKelvorDoc::titleChanged,
                   [&](const QString& title) { titles << title; });
  QObject::connect(&document, &CKelvorDoc::recentFileAdded,
                   [&](const QString& file) { recent << file; });
  std::vector<std::string> current;
  for (const char* name : {"a.prn", "./a.prn"}) {
    prompter.answers = {PromptAnswer::No};
    EXPECT_TRUE(document.openDocument(name)) << name;
    current.push_back(session.currentTraceFile);
  }
  QDir::setCurrent(previous);
  EXPECT_EQ(titles, QStringList(2, absolute));
  EXPECT_EQ(recent, QStringList(2, absolute));
  // The printout's header takes the current trace file.
  EXPECT_EQ(current, std::vector<std::string>(2, absolute.toStdString()));
}

TEST_F(DocumentFlowTest, AnalysedWindowReachesTheStatisticsAndTheViews) {
  ASSERT_TRUE(document.openDocument(QString::fromStdString(writePrn("a.prn"))));
  std::vector<gui::UpdateHint> hints;
  QObject::connect(&document, &CKelvorDoc::viewsUpdate,
                   [&](gui::UpdateHint hint) { hints.push_back(hint); });
  const auto calls = [&] { return session.engine->find(0x0312)->calls; };
  const EventStream& stream = session.engine->stream();
  ASSERT_EQ(stream.size(), 4u);

  // The first run only: from its start to between the two runs.
  document.analyseWindow(
      TimeWindow::between(stream[0].time, (stream[1].time + stream[2].time) / 2));
  EXPECT_EQ(calls(), 1u);
  document.analyseWindow(TimeWindow::wholeTrace());
  EXPECT_EQ(calls(), 2u);
  EXPECT_EQ(hints, std::vector<gui::UpdateHint>(2, gui::UpdateHint::StatisticsChanged));
}

TEST_F(DocumentFlowTest, ClosingAfterATextTraceAsksForTheRunFile) {
  ASSERT_TRUE(document.openDocument(QString::fromStdString(writePrn("a.prn"))));
  prompter.answers = {PromptAnswer::Yes, PromptAnswer::Cancel, PromptAnswer::No};
  EXPECT_FALSE(document.canClose());  // save dialog cancelled
  EXPECT_FALSE(document.canClose());  // Cancel
  EXPECT_TRUE(document.canClose());   // No
  EXPECT_EQ(questions(), std::vector<std::string>(3, SaveRunQuestion));
}

TEST_F(DocumentFlowTest, SaveThatKeepsNoDataDoesNotCountAsSaved) {
  ASSERT_TRUE(document.openDocument(QString::fromStdString(writePrn("a.prn"))));
  // Upper-case and .ilm names write no .run file: the data would be lost if the close went on.
  prompter.answers = {PromptAnswer::Yes, PromptAnswer::Yes};
  dialogs.answers = {qpath("a.RUN"), qpath("locks.ilm")};
  EXPECT_FALSE(document.canClose());
  EXPECT_FALSE(document.canClose());
  EXPECT_FALSE(QFile::exists(qpath("a.RUN")));
  EXPECT_TRUE(QFile::exists(qpath("locks.ilm")));
  EXPECT_EQ(session.dataOrigin, DataOrigin::TextTrace);
  // After an .ilm save the next dialog offers .ilm first.
  dialogs.answers = {std::nullopt};
  EXPECT_EQ(document.saveAs(), SaveOutcome::Cancelled);
  EXPECT_EQ(dialogs.filters.back(), gui::SaveIlmFilter);
}

TEST_F(DocumentFlowTest, SaveStatisticWantsTheAscEnding) {
  ASSERT_TRUE(document.openDocument(QString::fromStdString(writePrn("a.prn"))));
  dialogs.answers = {qpath("stats.ASC"), qpath("stats.asc")};
  document.saveStatistic();
  EXPECT_EQ(texts(), std::vector<std::string>{
                         "Go to Save Statistics As in the File Manu to Save it in .run format !!"});
  EXPECT_FALSE(QFile::exists(qpath("stats.ASC")));
  document.saveStatistic();
  QFile file(qpath("stats.asc"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readLine().startsWith("PID\tText\t% RuntTime"));
  EXPECT_TRUE(file.readLine().startsWith("0312\tunknown ID\t"));
}

TEST_F(DocumentFlowTest, MopAreaQuestionIsAskedOnTheMainThreadDuringTheLoad) {
  // 50 data lines outside the MOP area.
  std::string text;
  for (int i = 1; i <= 60; ++i) {
    text += etmWrite(i, 0x1000, 1, "1.000us");
  }
  writeText(path("far.prn"), text);
  prompter.answers = {PromptAnswer::No};
  document.openDocument(qpath("far.prn"));
  ASSERT_EQ(questions().size(), 1u);
  EXPECT_EQ(prompter.shown[0].caption, "Error MOP-Area address");
  EXPECT_TRUE(
      QString::fromStdString(prompter.shown[0].text).endsWith("Continue with this address?"));
  ASSERT_EQ(threadRecorder.threads.size(), 1u);
  EXPECT_EQ(threadRecorder.threads[0], QThread::currentThread());
  EXPECT_EQ(session.dataOrigin, DataOrigin::NothingToSave);
}

TEST_F(DocumentFlowTest, ExportedMesFileOpensAgain) {
  ASSERT_TRUE(document.openDocument(QString::fromStdString(writePrn("a.prn"))));
  dialogs.answers = {qpath("out.mes")};
  document.exportMes();
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "Data Saved to .mes file");
  EXPECT_EQ(prompter.shown[0].caption, ".mes file information");
  prompter.answers = {PromptAnswer::No};
  ASSERT_TRUE(document.openDocument(qpath("out.mes")));
  EXPECT_EQ(session.dataOrigin, DataOrigin::MesFile);
  EXPECT_EQ(session.engine->stream().size(), 4u);

  dialogs.answers = {qpath("missing-dir/out.mes")};
  document.exportMes();
  EXPECT_EQ(prompter.shown.back().text, "Unable to save the file.");
}

}  // namespace
}  // namespace kelvor::test

namespace kelvor::test {
namespace {

TEST_F(DocumentFlowTest, ComparisonFollowsTheStatisticsUntilItIsClosed) {
  ASSERT_TRUE(document.openDocument(QString::fromStdString(writePrn("a.prn"))));
  // The baseline: the same process runs once, and a second one runs that the trace lacks.
  std::string text = "header line\n";
  text += etmWrite(1, 0, 0x0312, "1.000us");
  text += etmWrite(2, 2, 0x0312, "5.000us");
  text += etmWrite(3, 0, 0x0444, "1.000us");
  text += etmWrite(4, 2, 0x0444, "2.000us");
  writeText(path("base.prn"), text);
  int changes = 0;
  QObject::connect(&document, &CKelvorDoc::comparisonChanged, [&] { ++changes; });

  EXPECT_FALSE(document.compareWithFile(qpath("missing.prn")));
  EXPECT_EQ(document.comparison(), nullptr);
  dialogs.answers = {qpath("base.prn")};
  ASSERT_TRUE(document.compareWith());
  ASSERT_NE(document.comparison(), nullptr);
  EXPECT_EQ(changes, 1);
  const auto figure = [&](std::uint32_t id, ComparedFigure f) {
    const EntryComparison* e = document.comparison()->find(id);
    EXPECT_NE(e, nullptr) << id;
    return e != nullptr ? e->figure(f) : FigurePair{};
  };
  EXPECT_EQ(figure(0x0312, ComparedFigure::Calls).baseline, 1.0);
  EXPECT_EQ(figure(0x0312, ComparedFigure::Calls).file, 2.0);
  EXPECT_EQ(document.comparison()->find(0x0444)->presence, EntryPresence::OnlyBaseline);
  // The baseline was read into a session of its own: the current trace is as it was.
  EXPECT_EQ(session.engine->stream().size(), 4u);
  EXPECT_EQ(session.engine->find(0x0444), nullptr);

  // The statistics table gains the difference columns.
  gui::StatisticsTableModel model;
  model.refreshRows(statisticsRowSource(session));
  model.setComparison(document.comparison());
  EXPECT_EQ(model.columnCount(),
            FullStatisticsColumns + static_cast<int>(comparisonColumns().size()));
  EXPECT_EQ(model.data(model.index(0, FullStatisticsColumns + 2)).toString(), "+1");

  // A new window's statistics are compared again.
  const EventStream& stream = session.engine->stream();
  document.analyseWindow(
      TimeWindow::between(stream[0].time, (stream[1].time + stream[2].time) / 2));
  EXPECT_EQ(figure(0x0312, ComparedFigure::Calls).file, 1.0);

  document.closeComparison();
  EXPECT_EQ(document.comparison(), nullptr);
  EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace kelvor::test
