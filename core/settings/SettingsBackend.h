#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace kelvor {

using SettingsValues = std::vector<std::pair<std::string, std::string>>;

// Where one group of named text settings persists: the user's settings on the desktop, an ini
// file for the batch tool, a map in tests.
class SettingsBackend {
 public:
  virtual ~SettingsBackend() = default;
  // Every value of the group, in the backend's enumeration order; nothing when the group cannot
  // be opened.
  virtual SettingsValues readAll() = 0;
  // Writes each value under its name, leaving other stored names as they are. Returns false when
  // the group cannot be written.
  virtual bool writeAll(const SettingsValues& values) = 0;
};

// A backend held in memory, for tests and for runs that must not touch the user's settings.
class MemorySettingsBackend final : public SettingsBackend {
 public:
  MemorySettingsBackend() = default;
  explicit MemorySettingsBackend(SettingsValues values) : values_(std::move(values)) {}

  SettingsValues readAll() override { return values_; }
  bool writeAll(const SettingsValues& values) override {
    if (failWrites_) {
      return false;
    }
    // No structured binding here: clang 14 cannot capture one in the lambda.
    for (const auto& entry : values) {
      const std::string& name = entry.first;
      auto it = std::find_if(values_.begin(), values_.end(),
                             [&](const auto& stored) { return stored.first == name; });
      if (it != values_.end()) {
        it->second = entry.second;
      } else {
        values_.emplace_back(entry);
      }
    }
    return true;
  }

  const SettingsValues& values() const { return values_; }
  void setFailWrites(bool fail) { failWrites_ = fail; }

 private:
  SettingsValues values_;
  bool failWrites_ = false;
};

}  // namespace kelvor
