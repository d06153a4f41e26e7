#include "platform/base/registry_store.h"

#include "platform/base/ini_document.h"
#include "platform/base/ini_file.h"
#include "platform/base/paths.h"
#include "platform/base/safe_file.h"
#include "platform/base/text_order.h"

namespace rt {
namespace {

constexpr std::string_view kStringTag = "s:";
constexpr std::string_view kNumberTag = "n:";
constexpr std::string_view kDefaultValueName = "@";

// Names and texts are kept readable in the file; only what the INI format
// would misread is written as %XX.
enum class Part { KeyName, ValueName, Data };

bool needsEscape(std::string_view text, std::size_t i, Part part) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  if (c < 0x20 || c == 0x7F || c == '%') return true;
  if (c == ' ' && (i == 0 || i + 1 == text.size())) return true;
  switch (part) {
    case Part::KeyName:
      return c == ']' || c == '[' || c == ';';
    case Part::ValueName:
      return c == '=' || ((c == '[' || c == ';' || c == '@') && i == 0);
    case Part::Data:
      return false;
  }
  return false;
}

std::string escape(std::string_view text, Part part) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (needsEscape(text, i, part)) {
      const unsigned char c = static_cast<unsigned char>(text[i]);
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += text[i];
    }
  }
  return out;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 &&
        hexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// "HKEY_CURRENT_USER\Software\Tolvane\Varneta": the root's name and the
// key's parts, empty parts dropped, each escaped.
std::string sectionName(RegistryRoot root, std::string_view keyPath) {
  std::string section =
      root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
  std::size_t pos = 0;
  while (pos <= keyPath.size()) {
    std::size_t end = keyPath.find('\\', pos);
    if (end == std::string_view::npos) end = keyPath.size();
    if (end > pos) section += "\\" + escape(keyPath.substr(pos, end - pos), Part::KeyName);
    pos = end + 1;
  }
  return section;
}

std::string entryName(std::string_view valueName) {
  return valueName.empty() ? std::string(kDefaultValueName) : escape(valueName, Part::ValueName);
}

std::optional<RegistryValue> decodeValue(std::string_view entry, std::string_view stored) {
  RegistryValue value;
  value.name = entry == kDefaultValueName ? std::string() : unescape(entry);
  if (stored.starts_with(kNumberTag)) {
    value.type = RegistryValue::Type::Number;
    value.number = textToNumber(stored.substr(kNumberTag.size()));
    value.text = std::to_string(value.number);
  } else if (stored.starts_with(kStringTag)) {
    value.text = unescape(stored.substr(kStringTag.size()));
    value.number = textToNumber(value.text);
  } else {
    return std::nullopt;  // not written by this store
  }
  return value;
}

IniDocument readRegistry() {
  std::optional<std::string> text = readWholeFile(registryFilePath());
  return text ? IniDocument(*text) : IniDocument();
}

bool isBelow(const std::string& section, const std::string& parentKey) {
  return section.size() > parentKey.size() + 1 && section.starts_with(parentKey) &&
         section[parentKey.size()] == '\\';
}

int writeEntry(RegistryRoot root, std::string_view keyPath, std::string_view name,
               const std::string& stored) {
  const std::string section = sectionName(root, keyPath);
  const std::string entry = entryName(name);
  if (section.size() > 4096 || entry.size() > 4096) return registry_status::InvalidName;
  const bool written = editFileAtomically(registryFilePath(), [&](std::string& content) {
    IniDocument document(content);
    if (!document.setValue(section, entry, stored)) return false;
    content = document.text();
    return true;
  });
  return written ? registry_status::Ok : registry_status::AccessDenied;
}

}  // namespace

std::filesystem::path registryFilePath() { return windowsFolder() / "registry.ini"; }

bool registryKeyExists(RegistryRoot root, std::string_view keyPath) {
  const std::string key = upper(sectionName(root, keyPath));
  const IniDocument document = readRegistry();
  for (const std::string& section : document.sectionNames()) {
    const std::string name = upper(section);
    if (name == key || isBelow(name, key)) return true;
  }
  return key.find('\\') == std::string::npos;  // the roots always exist
}

std::optional<std::vector<RegistryValue>> registryValues(RegistryRoot root,
                                                         std::string_view keyPath) {
  if (!registryKeyExists(root, keyPath)) return std::nullopt;
  std::vector<RegistryValue> values;
  for (const auto& [entry, stored] : readRegistry().entries(sectionName(root, keyPath))) {
    if (auto value = decodeValue(entry, stored)) values.push_back(std::move(*value));
  }
  return values;
}

std::optional<RegistryValue> registryRead(RegistryRoot root, std::string_view keyPath,
                                          std::string_view name) {
  const std::string entry = entryName(name);
  const std::optional<std::string> stored = readRegistry().value(sectionName(root, keyPath), entry);
  if (!stored) return std::nullopt;
  return decodeValue(entry, *stored);
}

std::vector<std::string> registrySubkeys(RegistryRoot root, std::string_view keyPath) {
  const std::string key = upper(sectionName(root, keyPath));
  std::vector<std::string> names;
  std::vector<std::string> seen;
  for (const std::string& section : readRegistry().sectionNames()) {
    if (!isBelow(upper(section), key)) continue;
    std::string child = section.substr(key.size() + 1);
    child = child.substr(0, child.find('\\'));
    const std::string childKey = upper(child);
    bool duplicate = false;
    for (const std::string& s : seen) duplicate = duplicate || s == childKey;
    if (duplicate) continue;
    seen.push_back(childKey);
    names.push_back(unescape(child));
  }
  return names;
}

int registryWriteString(RegistryRoot root, std::string_view keyPath, std::string_view name,
                        std::string_view text) {
  return writeEntry(root, keyPath, name, std::string(kStringTag) + escape(text, Part::Data));
}

int registryWriteNumber(RegistryRoot root, std::string_view keyPath, std::string_view name,
                        std::int64_t number) {
  return writeEntry(root, keyPath, name, std::string(kNumberTag) + std::to_string(number));
}

int registryDeleteValue(RegistryRoot root, std::string_view keyPath, std::string_view name) {
  bool found = false;
  const bool written = editFileAtomically(registryFilePath(), [&](std::string& content) {
    IniDocument document(content);
    found = document.removeEntry(sectionName(root, keyPath), entryName(name));
    if (found) content = document.text();
    return found;
  });
  if (!written) return registry_status::AccessDenied;
  return found ? registry_status::Ok : registry_status::NotFound;
}

}  // namespace rt
