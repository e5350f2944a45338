#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsBackend.h"

namespace kelvor {

// The settings group that says which link to the phone the desktop program uses.
inline constexpr const char* LinkChoiceGroup = "Link";

namespace linksetting {
// "library", "serial" or "simulated" (any letter case).
inline constexpr const char* Link = "link";
// The absolute path of the phone's link library.
inline constexpr const char* LibraryPath = "linklibrary";
// The environment variable that, when set and not empty, replaces LibraryPath.
inline constexpr const char* LibraryEnvironment = "KELVOR_QFL_LIBRARY";
}  // namespace linksetting

// The kinds of link: the phone's own link library loaded from a file, our serial link on the
// COM port of the serial settings, or the built-in simulated phone.
enum class LinkKind { Library, Serial, Simulated };

std::optional<LinkKind> linkKindFromText(std::string_view text);
const char* linkKindText(LinkKind kind);

// Which link the program uses and where the link library lies.
struct LinkChoiceSetting {
  LinkKind kind = LinkKind::Simulated;
  // Absolute; empty when no library is configured.
  std::string libraryPath;

  bool operator==(const LinkChoiceSetting&) const = default;
};

// Reads the choice from the group's values. `libraryOverride` (the environment variable; null or
// empty when unset) replaces the stored library path. Without a "link" value the library is
// chosen when one is configured, else the simulated phone. Every value that cannot be used
// appends a message to `problems` and the choice falls back: an unknown link to that default, a
// path that is not absolute is ignored, and "library" without a library becomes "simulated".
LinkChoiceSetting parseLinkChoice(const SettingsValues& values, const char* libraryOverride,
                                  std::vector<std::string>& problems);
// The values that store a choice ("linklibrary" only when a library is configured).
SettingsValues formatLinkChoice(const LinkChoiceSetting& choice);

}  // namespace kelvor
