#pragma once
// The registry of this program: string and number values under key paths of
// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, kept in one file of the Windows
// folder ("registry.ini", one section per key). Key paths
// ("Software\Tolvane\Varneta") and value names ignore case, as the Windows
// registry does. Names and texts are runtime text (CP1252). Every write
// rewrites the file at once.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

enum class RegistryRoot { CurrentUser, LocalMachine };

struct RegistryValue {
  enum class Type { String, Number };
  std::string name;
  Type type = Type::String;
  std::string text;         // a number's decimal text for numbers
  std::int64_t number = 0;  // textToNumber(text) for strings
};

// The codes the registry answers with, as Windows numbers them.
namespace registry_status {
constexpr int Ok = 0;
constexpr int NotFound = 2;
constexpr int AccessDenied = 5;
constexpr int InvalidName = 123;
}  // namespace registry_status

// The registry file.
std::filesystem::path registryFilePath();

bool registryKeyExists(RegistryRoot root, std::string_view keyPath);
// The key's values in the order they were first written; nullopt when the key
// does not exist.
std::optional<std::vector<RegistryValue>> registryValues(RegistryRoot root,
                                                         std::string_view keyPath);
std::optional<RegistryValue> registryRead(RegistryRoot root, std::string_view keyPath,
                                          std::string_view name);
// The names of the key's direct subkeys.
std::vector<std::string> registrySubkeys(RegistryRoot root, std::string_view keyPath);

// Write a value, creating the key (and its parents) when needed. An empty
// name is the key's default value. Answer a registry_status code.
int registryWriteString(RegistryRoot root, std::string_view keyPath, std::string_view name,
                        std::string_view text);
int registryWriteNumber(RegistryRoot root, std::string_view keyPath, std::string_view name,
                        std::int64_t number);
// NotFound when the value does not exist.
int registryDeleteValue(RegistryRoot root, std::string_view keyPath, std::string_view name);

}  // namespace rt
