#include "core/frame/settings_store.h"

#include "platform/base/ini_file.h"

namespace core {

void SettingsStore::Init(std::string_view file) { file_ = file; }

void SettingsStore::Kill() { file_.clear(); }

std::string SettingsStore::fetch(std::string_view section, std::string_view entry,
                                 std::string_view defaultValue) const {
  if (!isOpen()) return std::string(defaultValue);
  return rt::getIni(section, entry, defaultValue, file_);
}

bool SettingsStore::update(std::string_view section, std::string_view entry,
                           std::string_view value) {
  return isOpen() && rt::putIni(section, entry, value, file_);
}

SettingsStore& settingsStore() {
  static SettingsStore store;
  return store;
}

}  // namespace core
