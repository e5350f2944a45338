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
#include "session/TraceLoader.h"
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

// The engine an import filled, and what the import found.
struct Imported {
  explicit Imported(AnalysisContext& context) : engine(context) {}

  const EventStream& stream() const { return engine.stream(); }
  double currentTime() const { return endTime; }

  StatisticsEngine engine;
  ImportResult result;
  double endTime = 0.0;  // the importer's current time after the last line
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
  // Imports a file as the loader does, and applies the result to the session.
  std::unique_ptr<Imported> importPath(const std::string& path) {
    return importWith([&](TextTraceImporter& importer) { return importer.importFile(path); });
  }
  std::unique_ptr<Imported> importFile(const std::string& name, const std::string& contents) {
    return importPath(write(name, contents));
  }
  // The same from memory.
  std::unique_ptr<Imported> importText(TextTraceFormat format, std::string_view contents) {
    return importWith(
        [&](TextTraceImporter& importer) { return importer.importText(format, contents); });
  }

  MemorySettingsBackend backend;
  Session session;
  RecordingPrompter prompter;
  RecordingProgress progress;
  std::ostringstream console;
  std::filesystem::path dir;

 private:
  template <typename Import>
  std::unique_ptr<Imported> importWith(Import import) {
    auto imported = std::make_unique<Imported>(session.analysis);
    TextTraceImporter importer(imported->engine.stream(), importContextFor(session));
    imported->result = import(importer);
    imported->endTime = importer.currentTime();
    applyImportResult(session, imported->result);
    return imported;
  }
};

}  // namespace kelvor::test
