#include "io/LineReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace kelvor {
namespace {

std::vector<std::string> linesOf(LineReader& reader, std::vector<std::uint64_t>* starts = nullptr) {
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.next(line)) {
    lines.emplace_back(line);
    if (starts != nullptr) {
      starts->push_back(reader.lineStart());
    }
  }
  return lines;
}

// Lines of every length around the block and line limits, with LF and CR LF ends, read from a
// file in the smallest blocks and from memory, must come out the same and as expected.
TEST(LineReader, FileBlocksAndMemoryGiveTheSameLines) {
  constexpr std::size_t Max = LineReader::MaxLineLength;
  std::mt19937 random(3);
  std::string text;
  std::vector<std::string> expected;
  std::vector<std::uint64_t> expectedStarts;
  const std::size_t lengths[] = {0, 1, 50, Max - 1, Max, Max + 1, Max + 2, 3 * Max, 100};
  for (int round = 0; round < 30; ++round) {
    const std::size_t length = round < 9 ? lengths[round] : random() % 5000;
    std::string content(length, 'a');
    for (char& c : content) {
      c = static_cast<char>('a' + random() % 26);
    }
    const bool crlf = round % 2 == 1;
    expectedStarts.push_back(text.size());
    text += content + (crlf ? "\r\n" : "\n");
    expected.push_back(content.substr(0, Max));
  }
  text += "last line without break\r";
  expectedStarts.push_back(text.size() - 24);
  expected.push_back("last line without break");

  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  LineReader fromFile(file, 1);  // the smallest block the reader allows
  std::vector<std::uint64_t> starts;
  EXPECT_EQ(linesOf(fromFile, &starts), expected);
  EXPECT_EQ(starts, expectedStarts);
  EXPECT_EQ(fromFile.position(), text.size());
  std::fclose(file);

  LineReader fromMemory{std::string_view(text)};
  EXPECT_EQ(linesOf(fromMemory), expected);
}

TEST(LineReader, EmptyInputHasNoLines) {
  LineReader empty{std::string_view()};
  std::string_view line;
  EXPECT_FALSE(empty.next(line));
  LineReader noFile(nullptr);
  EXPECT_FALSE(noFile.next(line));
}

}  // namespace
}  // namespace kelvor
