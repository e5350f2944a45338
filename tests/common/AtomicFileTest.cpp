#include "common/AtomicFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kelvor {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kelvor-atomic-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::size_t filesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }

  fs::path dir_;
};

TEST_F(AtomicFileTest, CommitReplacesTheTarget) {
  const fs::path target = dir_ / "out.txt";
  std::ofstream(target) << "old";
  AtomicFileWriter writer(target.string());
  ASSERT_TRUE(writer.isOpen());
  writer.write("new\r\n");
  EXPECT_EQ(read(target), "old") << "the target changes only on commit";
  EXPECT_TRUE(writer.commit());
  EXPECT_EQ(read(target), "new\r\n");
  EXPECT_EQ(filesInDir(), 1u);
}

TEST_F(AtomicFileTest, AbandonedWriteLeavesTargetAndNoTemporary) {
  const fs::path target = dir_ / "out.txt";
  std::ofstream(target) << "old";
  {
    AtomicFileWriter writer(target.string());
    writer.write("half of it");
  }
  EXPECT_EQ(read(target), "old");
  EXPECT_EQ(filesInDir(), 1u);
}

TEST_F(AtomicFileTest, UncreatableFileFailsCleanly) {
  AtomicFileWriter writer((dir_ / "missing-dir" / "out.txt").string());
  EXPECT_FALSE(writer.isOpen());
  writer.write("ignored");
  EXPECT_FALSE(writer.commit());
}

TEST_F(AtomicFileTest, TargetThatIsADirectoryIsNotReplaced) {
  const fs::path target = dir_ / "taken";
  fs::create_directory(target);
  fs::create_directory(target / "child");
  AtomicFileWriter writer(target.string());
  ASSERT_TRUE(writer.isOpen());
  writer.write("data");
  EXPECT_FALSE(writer.commit());
  EXPECT_TRUE(fs::is_directory(target / "child"));
  EXPECT_EQ(filesInDir(), 1u);
}

}  // namespace
}  // namespace kelvor
