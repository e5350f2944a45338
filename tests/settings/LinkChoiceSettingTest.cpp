#include "settings/LinkChoiceSetting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvor {
namespace {

TEST(LinkChoiceSettingTest, ChoiceDefaultsOverrideAndFallbacks) {
  struct Case {
    const char* what;
    SettingsValues values;
    const char* override;
    LinkKind kind;
    std::string path;
    std::size_t problems;
  };
  const Case cases[] = {
      {"nothing configured", {}, nullptr, LinkKind::Simulated, "", 0},
      {"serial, any case and blanks", {{"link", " Serial "}}, nullptr, LinkKind::Serial, "", 0},
      {"library with its path",
       {{"link", "library"}, {"linklibrary", "/opt/qfl/libqfl.so"}},
       nullptr,
       LinkKind::Library,
       "/opt/qfl/libqfl.so",
       0},
      {"a configured library is the default",
       {{"linklibrary", "/opt/qfl/libqfl.so"}},
       nullptr,
       LinkKind::Library,
       "/opt/qfl/libqfl.so",
       0},
      {"the environment replaces the stored path",
       {{"link", "simulated"}, {"linklibrary", "/opt/a.so"}},
       "/tmp/b.so",
       LinkKind::Simulated,
       "/tmp/b.so",
       0},
      {"the environment alone configures a library",
       {},
       "/tmp/b.so",
       LinkKind::Library,
       "/tmp/b.so",
       0},
      {"an empty environment variable counts as unset",
       {{"linklibrary", "/opt/a.so"}},
       "",
       LinkKind::Library,
       "/opt/a.so",
       0},
      {"library without a library", {{"link", "library"}}, nullptr, LinkKind::Simulated, "", 1},
      {"unknown link falls back to the default",
       {{"link", "bluetooth"}, {"linklibrary", "/opt/a.so"}},
       nullptr,
       LinkKind::Library,
       "/opt/a.so",
       1},
      {"relative path is ignored",
       {{"link", "library"}, {"linklibrary", "libqfl.so"}},
       nullptr,
       LinkKind::Simulated,
       "",
       2},
      {"relative path from the environment is ignored too",
       {{"link", "serial"}, {"linklibrary", "/opt/a.so"}},
       "qfl.so",
       LinkKind::Serial,
       "",
       1},
  };
  for (const Case& c : cases) {
    std::vector<std::string> problems;
    const LinkChoiceSetting choice = parseLinkChoice(c.values, c.override, problems);
    EXPECT_EQ(choice.kind, c.kind) << c.what;
    EXPECT_EQ(choice.libraryPath, c.path) << c.what;
    EXPECT_EQ(problems.size(), c.problems) << c.what;
  }
}

TEST(LinkChoiceSettingTest, ProblemsNameWhatWasWrongAndWhatIsUsed) {
  std::vector<std::string> problems;
  parseLinkChoice({{"link", "bluetooth"}}, "rel.so", problems);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("\"rel.so\" given by KELVOR_QFL_LIBRARY"), std::string::npos);
  EXPECT_NE(problems[1].find("\"bluetooth\""), std::string::npos);
  EXPECT_NE(problems[1].find("the simulated link is used"), std::string::npos);
}

TEST(LinkChoiceSettingTest, FormattedChoiceReadsBackTheSame) {
  const LinkChoiceSetting choices[] = {{LinkKind::Simulated, ""},
                                       {LinkKind::Serial, "/opt/a.so"},
                                       {LinkKind::Library, "/opt/qfl/libqfl.so"}};
  for (const LinkChoiceSetting& choice : choices) {
    std::vector<std::string> problems;
    EXPECT_EQ(parseLinkChoice(formatLinkChoice(choice), nullptr, problems), choice)
        << linkKindText(choice.kind);
    EXPECT_TRUE(problems.empty());
  }
  EXPECT_EQ(formatLinkChoice({LinkKind::Serial, ""}), (SettingsValues{{"link", "serial"}}));
  EXPECT_FALSE(linkKindFromText("librarys"));
  EXPECT_FALSE(linkKindFromText(""));
}

}  // namespace
}  // namespace kelvor
