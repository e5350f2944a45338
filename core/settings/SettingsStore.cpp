#include "settings/SettingsStore.h"

namespace kelvor {

void SettingsStore::Load() {
  values_.clear();
  for (auto& [name, value] : backend_->readAll()) {
    values_.emplace(std::move(name), std::move(value));
  }
}

bool SettingsStore::Save() const {
  SettingsValues values(values_.begin(), values_.end());
  return backend_->writeAll(values);
}

std::string SettingsStore::Get(const std::string& key) const {
  auto it = values_.find(key);
  return it == values_.end() ? std::string() : it->second;
}

void SettingsStore::Set(const std::string& key, const std::string& value) {
  values_[key] = value;
}

}  // namespace kelvor
