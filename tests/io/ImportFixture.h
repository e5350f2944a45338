#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "RecordingPrompter.h"
#include "io/TextTraceImporter.h"
#include "session/Session.h"
#include "settings/SettingsBackend.h"

namespace kelvor::test {

// Records what a reader reports about its progress.
class RecordingProgress : public ProgressSink {
 public:
  void progressStart() override { ++starts; }
  void progressUpdate(const LoadProgress& progress) override { updates.push_back(progress); }
  void progressClose() override { ++closes; }

  int starts = 0;
  int closes = 0;
  std::vector<LoadProgress> updates;
};

// A session with recorded prompter, console and progress, and a scratch folder for fixtures.
class ImportFixture : public ::testing::Test {
 protected:
  ImportFixture() : session(backend) {
    session.analysis.prompter = &prompter;
    session.analysis.console = &console;
    session.progress = &progress;
    session.settings.Set("startadress", "C0000020");
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = std::filesystem::temp_directory_path() /
          (std::string("kelvor-io-") + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  ~ImportFixture() override { std::filesystem::remove_all(dir); }

  std::string write(const std::string& name, const std::string& contents) {
    const std::filesystem::path path = dir / name;
    std::ofstream(path, std::ios::binary) << contents;
    return path.string();
  }
  static std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::unique_ptr<TextTraceImporter> importFile(const std::string& name,
                                                const std::string& contents) {
    return std::make_unique<TextTraceImporter>(session, write(name, contents));
  }

  MemorySettingsBackend backend;
  Session session;
  RecordingPrompter prompter;
  RecordingProgress progress;
  std::ostringstream console;
  std::filesystem::path dir;
};

}  // namespace kelvor::test
