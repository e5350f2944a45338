#include <gtest/gtest.h>

#include <QThread>
#include <thread>

#include "GuiTestSupport.h"
#include "app/BackgroundJob.h"
#include "app/GuiPrompter.h"
#include "views/LoadProgressDialog.h"

namespace kelvor::test {
namespace {

using gui::LoadProgressDialog;
using gui::ProgressWindowSink;

TEST(LoadProgressTest, WindowShowsThePostsOfAWorkerInOrder) {
  ProgressWindowSink sink("0, 1, 0, 0");
  std::vector<QString> shownPercent;
  gui::runBackgroundJob(
      [&] {
        sink.progressStart();
        sink.progressUpdate(LoadProgress{12.0, 9.0, 3.0, 25});
        sink.progressUpdate(LoadProgress{12.0, 1.0, 11.0, 90});
      },
      nullptr);
  drainEvents();
  LoadProgressDialog* window = sink.window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), "Loading !! Kelvor Serial/TLA Tool Version: 0, 1, 0, 0");
  EXPECT_EQ(window->bar()->value(), 90);
  EXPECT_EQ(window->percentText()->text(), "90 Percent Loaded....\n");
  EXPECT_EQ(window->timingText()->text(),
            "Estimated Time To Load The File :    12s\n"
            "Consumed Time To Load The File  :    11s\n"
            "Remaining Time To Load The File :     1s");

  // A second load replaces the window; one without updates keeps the initial texts.
  sink.progressStart();
  drainEvents();
  ASSERT_NE(sink.window(), nullptr);
  EXPECT_NE(sink.window(), window);
  EXPECT_EQ(sink.window()->bar()->value(), 0);
  EXPECT_EQ(sink.window()->percentText()->text(), "Loading Percentage Display");
  EXPECT_EQ(sink.window()->timingText()->text(), "Timing Information Display");
  sink.progressClose();
  drainEvents();
  EXPECT_EQ(sink.window(), nullptr);
}

TEST(LoadProgressTest, WorkerWaitsForTheAnswerGivenOnTheMainThread) {
  RecordingPrompter recorder;
  recorder.answers = {PromptAnswer::No, PromptAnswer::Cancel};
  gui::MainThreadPrompter prompter(recorder);
  PromptAnswer first = PromptAnswer::Yes;
  PromptAnswer second = PromptAnswer::Yes;
  QThread* workerThread = nullptr;
  gui::runBackgroundJob(
      [&] {
        workerThread = QThread::currentThread();
        first = prompter.askYesNo("continue?", "caption", PromptIcon::Question);
        prompter.message("note", "", PromptIcon::Warning);
        second = prompter.askYesNoCancel("save?", "caption", PromptIcon::Question);
      },
      nullptr);
  EXPECT_NE(workerThread, QThread::currentThread());
  EXPECT_EQ(first, PromptAnswer::No);
  EXPECT_EQ(second, PromptAnswer::Cancel);
  ASSERT_EQ(recorder.shown.size(), 3u);
  EXPECT_EQ(recorder.shown[1].text, "note");
}

}  // namespace
}  // namespace kelvor::test
