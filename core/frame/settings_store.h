#pragma once
// The program's settings object: the entries of one INI file (the program INI
// ".\varneta.INI"), read and written through the platform's INI files. Every
// write reaches the file at once, so ending it loses nothing.
#include <string>
#include <string_view>

namespace core {

class SettingsStore {
 public:
  void Init(std::string_view file);
  void Kill();
  bool isOpen() const { return !file_.empty(); }
  const std::string& file() const { return file_; }

  // Runtime text (CP1252). Before Init, or after Kill, fetch answers the
  // default and update writes nothing (false).
  std::string fetch(std::string_view section, std::string_view entry,
                    std::string_view defaultValue = {}) const;
  bool update(std::string_view section, std::string_view entry, std::string_view value);

 private:
  std::string file_;
};

// The process's one settings object.
SettingsStore& settingsStore();

}  // namespace core
