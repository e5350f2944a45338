#include "session/LoadIdFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "session/Session.h"
#include "settings/SettingsBackend.h"

namespace kelvor {
namespace {

namespace fs = std::filesystem;

TEST(SettingsPathTest, RelativePathsAreReadFromTheSettingsFolderWhenTheFileIsThere) {
  const fs::path folder = fs::temp_directory_path() / "kelvor-settings-folder";
  fs::create_directories(folder / "ids");
  std::ofstream(folder / "ids" / "firmware.cepid") << "";
  MemorySettingsBackend backend;
  Session session(backend);

  struct Case {
    std::string settingsFolder;
    std::string path;
    std::string resolved;
  };
  const std::string inFolder = (folder / "ids" / "firmware.cepid").string();
  for (const Case& c : std::vector<Case>{
           {folder.string(), "ids/firmware.cepid", inFolder},
           // Older settings files name paths relative to the current folder: kept when the
           // settings folder has no such file.
           {folder.string(), "other/firmware.cepid", "other/firmware.cepid"},
           {folder.string(), "ids", "ids"},  // a folder is no ID file
           {folder.string(), "/abs/firmware.cepid", "/abs/firmware.cepid"},
           {folder.string(), "", ""},
           {"", "ids/firmware.cepid", "ids/firmware.cepid"},  // the user's own settings
       }) {
    session.settingsFolder = c.settingsFolder;
    EXPECT_EQ(resolveSettingsPath(session, c.path), c.resolved) << c.path;
  }
  fs::remove_all(folder);
}

}  // namespace
}  // namespace kelvor
