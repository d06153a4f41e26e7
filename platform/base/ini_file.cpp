#include "platform/base/ini_file.h"

#include <limits>

#include "platform/base/cp1252.h"
#include "platform/base/ini_document.h"
#include "platform/base/paths.h"
#include "platform/base/safe_file.h"

namespace rt {
namespace {

IniDocument readIni(std::string_view file) {
  std::optional<std::string> text = readWholeFile(iniFilePath(file));
  return text ? IniDocument(*text) : IniDocument();
}

}  // namespace

std::filesystem::path iniFilePath(std::string_view file) {
  file = clip(file);
  while (!file.empty() && file.front() == ' ') file.remove_prefix(1);
  if (file.empty()) return resolveIn(windowsFolder(), "WIN.INI");
  if (file.find_first_of("\\/:") == std::string_view::npos) {
    return resolveIn(windowsFolder(), file);
  }
  return resolvePath(file);
}

std::string getIni(std::string_view section, std::string_view entry, std::string_view defaultValue,
                   std::string_view file) {
  std::optional<std::string> value = readIni(file).value(section, entry);
  return value ? *value : std::string(defaultValue);
}

bool putIni(std::string_view section, std::string_view entry, std::string_view value,
            std::string_view file) {
  bool accepted = true;
  const bool written = editFileAtomically(iniFilePath(file), [&](std::string& content) {
    IniDocument document(content);
    accepted = document.setValue(section, entry, value);
    if (!accepted) return false;
    std::string text = document.text();
    if (text == content) return false;
    content = std::move(text);
    return true;
  });
  return written && accepted;
}

std::vector<std::pair<std::string, std::string>> getIniSection(std::string_view section,
                                                               std::string_view file) {
  return readIni(file).entries(section);
}

std::int64_t textToNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  // Accumulated negatively so the lowest value fits.
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    if (value < (kMin + digit) / 10) {
      value = kMin;
      break;
    }
    value = value * 10 - digit;
  }
  if (negative) return value;
  return value == kMin ? std::numeric_limits<std::int64_t>::max() : -value;
}

}  // namespace rt
