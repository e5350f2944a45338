#pragma once

#include <QWidget>
#include <functional>

namespace kelvor::gui {

// Runs `job` on a worker thread and returns when it has finished. Meanwhile the calling (main)
// thread keeps running its event loop, so windows keep painting, queued progress posts are shown
// and questions that the job forwards to the main thread are answered. Mouse, keyboard, drop and
// close events meant for `guarded`'s window are swallowed until the job is done, so no command
// can touch the data the job is building. Returns at once (running nothing) when called while
// another job runs.
bool runBackgroundJob(const std::function<void()>& job, QWidget* guarded);

// Whether a background job is running now.
bool backgroundJobRunning();

}  // namespace kelvor::gui
