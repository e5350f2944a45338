#pragma once

#include <map>
#include <string>

#include "settings/SettingsBackend.h"

namespace kelvor {

// The program's named text settings ("pid", "interrupt_sources", "mapping", "startadress",
// "adressoffset", "clkspeedstart", "RefreshRate", ...), ordered by name. Names the program does
// not use are kept and written back unchanged.
class SettingsStore {
 public:
  explicit SettingsStore(SettingsBackend& backend) : backend_(&backend) {}

  // Replaces the values by those the backend holds; an unreadable group leaves the store empty.
  void Load();
  // Writes every value back. Returns false when the backend could not be written, in which case
  // this run's changes are lost (the caller decides whether to tell anyone).
  bool Save() const;

  // The value of a name, or an empty text when it is absent.
  std::string Get(const std::string& key) const;
  void Set(const std::string& key, const std::string& value);
  // Whether the name is present at all (an empty value counts as present).
  bool Contains(const std::string& key) const { return values_.count(key) != 0; }

  const std::map<std::string, std::string>& values() const { return values_; }

 private:
  SettingsBackend* backend_;
  std::map<std::string, std::string> values_;
};

}  // namespace kelvor
