#include "settings/LinkChoiceSetting.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <utility>

namespace kelvor {

namespace {

constexpr std::array<std::pair<LinkKind, const char*>, 3> KindTexts = {{
    {LinkKind::Library, "library"},
    {LinkKind::Serial, "serial"},
    {LinkKind::Simulated, "simulated"},
}};

std::string_view trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && blank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

std::optional<std::string_view> valueOf(const SettingsValues& values, std::string_view name) {
  const auto it = std::find_if(values.begin(), values.end(),
                               [&](const auto& entry) { return entry.first == name; });
  if (it == values.end()) {
    return std::nullopt;
  }
  return trimmed(it->second);
}

}  // namespace

std::optional<LinkKind> linkKindFromText(std::string_view text) {
  text = trimmed(text);
  for (const auto& [kind, name] : KindTexts) {
    const std::string_view expected = name;
    if (text.size() == expected.size() &&
        std::equal(text.begin(), text.end(), expected.begin(), [](char a, char b) {
          return (a >= 'A' && a <= 'Z' ? static_cast<char>(a + 32) : a) == b;
        })) {
      return kind;
    }
  }
  return std::nullopt;
}

const char* linkKindText(LinkKind kind) {
  for (const auto& [candidate, name] : KindTexts) {
    if (candidate == kind) {
      return name;
    }
  }
  return "simulated";
}

LinkChoiceSetting parseLinkChoice(const SettingsValues& values, const char* libraryOverride,
                                  std::vector<std::string>& problems) {
  LinkChoiceSetting choice;
  std::string_view path = valueOf(values, linksetting::LibraryPath).value_or("");
  const char* pathSource = linksetting::LibraryPath;
  if (libraryOverride != nullptr && !trimmed(libraryOverride).empty()) {
    path = trimmed(libraryOverride);
    pathSource = linksetting::LibraryEnvironment;
  }
  if (!path.empty()) {
    if (std::filesystem::path(path).is_absolute()) {
      choice.libraryPath = std::string(path);
    } else {
      problems.push_back("The link library \"" + std::string(path) + "\" given by " + pathSource +
                         " is not an absolute path; it is ignored.");
    }
  }
  const LinkKind fallback = choice.libraryPath.empty() ? LinkKind::Simulated : LinkKind::Library;
  choice.kind = fallback;
  if (const auto text = valueOf(values, linksetting::Link)) {
    if (const auto kind = linkKindFromText(*text)) {
      choice.kind = *kind;
    } else {
      problems.push_back("Unknown link \"" + std::string(*text) +
                         "\" in the settings (library, serial or simulated); the " +
                         linkKindText(fallback) + " link is used.");
    }
  }
  if (choice.kind == LinkKind::Library && choice.libraryPath.empty()) {
    problems.push_back(std::string("The link \"library\" needs the absolute path of a link "
                                   "library in ") +
                       linksetting::LibraryPath + " or " + linksetting::LibraryEnvironment +
                       "; the simulated link is used.");
    choice.kind = LinkKind::Simulated;
  }
  return choice;
}

SettingsValues formatLinkChoice(const LinkChoiceSetting& choice) {
  SettingsValues values = {{linksetting::Link, linkKindText(choice.kind)}};
  if (!choice.libraryPath.empty()) {
    values.emplace_back(linksetting::LibraryPath, choice.libraryPath);
  }
  return values;
}

}  // namespace kelvor
