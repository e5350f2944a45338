#pragma once

#include <QCoreApplication>
#include <QString>
#include <deque>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "RecordingPrompter.h"
#include "app/FileDialogs.h"
#include "session/Session.h"
#include "settings/SettingsBackend.h"

namespace kelvor::test {

// File dialogs answered from a script: each entry is a path, or nothing for Cancel. An empty
// script cancels. Records the filters shown.
class ScriptedFileDialogs final : public gui::FileDialogs {
 public:
  std::optional<QString> openFile(QWidget*, const QString& filter) override {
    filters.push_back(filter);
    return next();
  }
  std::optional<QString> saveFile(QWidget*, const QString& filter,
                                  const QString& defaultSuffix) override {
    filters.push_back(filter);
    suffixes.push_back(defaultSuffix);
    return next();
  }

  std::deque<std::optional<QString>> answers;
  std::vector<QString> filters;
  std::vector<QString> suffixes;

 private:
  std::optional<QString> next() {
    if (answers.empty()) {
      return std::nullopt;
    }
    // Swapped out rather than copied: GCC 12 cannot see that a copied optional<QString> is
    // initialised and warns.
    std::optional<QString> answer;
    answer.swap(answers.front());
    answers.pop_front();
    return answer;
  }
};

// A session over settings held in memory, with a recording prompter and an empty engine.
struct SessionFixture {
  MemorySettingsBackend backend;
  Session session{backend};
  RecordingPrompter prompter;

  SessionFixture() {
    session.analysis.prompter = &prompter;
    session.analysis.console = nullptr;
    session.engine = std::make_unique<StatisticsEngine>(session.analysis);
  }

  // The texts shown so far, in order.
  std::vector<std::string> texts() const {
    std::vector<std::string> result;
    for (const auto& shown : prompter.shown) {
      result.push_back(shown.text);
    }
    return result;
  }
};

inline void writeText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// An ETM listing line writing `data` at `offset` of the MOP area based at C0000020.
inline std::string etmWrite(int record, unsigned offset, unsigned data, const char* time) {
  char line[128];
  std::snprintf(line, sizeof line, "-%07d D:%08X wr-long %08X %s\n", record, 0xC0000020u + offset,
                data, time);
  return line;
}

// Pumps posted events until none is left.
inline void drainEvents() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

}  // namespace kelvor::test
