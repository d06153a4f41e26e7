#include "textlib/registry_access.h"

#include <optional>

#include "platform/base/cp1252.h"
#include "platform/base/message_hook.h"
#include "platform/base/text_order.h"

namespace textlib {
namespace {

constexpr std::size_t kNameLength = 255;      // key paths, value names, results
constexpr std::size_t kNameBuffer = 256;      // a value name and its terminator
constexpr std::size_t kDataBuffer = 4096;     // a value's data and its terminator
constexpr std::size_t kWrittenLength = 4095;  // a written text, without its terminator
constexpr std::size_t kAccountKeyLength = 1024;
constexpr std::size_t kAccountIdLength = 8;
constexpr std::string_view kAccountManager = "Software\\Microsoft\\Internet Account Manager";

std::string cut(std::string_view text, std::size_t length) {
  return std::string(text.substr(0, length));
}

std::string clipped(std::string_view text) { return std::string(rt::clip(text)); }

// A value name as the lookup compares it: without surrounding blanks, upper case.
std::string comparable(std::string_view name) {
  const std::size_t first = name.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return rt::upper(rt::clip(name.substr(first)));
}

// A value's data as its bytes would be read into the data buffer: a string
// with its terminator; a number as its eight bytes.
std::size_t dataSize(const rt::RegistryValue& value) {
  return value.type == rt::RegistryValue::Type::String ? value.text.size() + 1 : 8;
}

}  // namespace

void RegistryAccess::ClearErrors() {
  std::lock_guard lock(ICS);
  LASTOP.clear();
  LASTKEYNAME.clear();
  LASTERROR.clear();
}

std::string RegistryAccess::GetRegValue(rt::RegistryRoot root, std::string_view keyPath,
                                        std::string_view valueName, std::string_view defaultValue) {
  ClearErrors();
  const std::string fallback = clipped(cut(defaultValue, kNameLength));
  const std::string key = cut(rt::clip(keyPath), kNameLength);
  const std::optional<std::vector<rt::RegistryValue>> values = rt::registryValues(root, key);
  if (!values) {
    ReportError(key, "opening", rt::registry_status::NotFound);
    return fallback;
  }
  const std::string wanted = comparable(valueName);
  for (const rt::RegistryValue& value : *values) {
    if (value.name.size() >= kNameBuffer || dataSize(value) > kDataBuffer) {
      ReportError(key, "retrieving", registry_error::MoreData);
      return fallback;
    }
    if (comparable(value.name) != wanted) continue;
    // Numbers are read as their decimal text.
    const std::string_view data = std::string_view(value.text).substr(0, value.text.find('\0'));
    return clipped(cut(rt::clip(data), kNameLength));
  }
  return fallback;  // the enumeration ended with "no more items"
}

void RegistryAccess::PutRegValue(rt::RegistryRoot root, std::string_view keyPath,
                                 std::string_view valueName, std::string_view value) {
  ClearErrors();
  const std::string key = cut(rt::clip(keyPath), kNameLength);
  const std::string name = cut(rt::clip(valueName), kNameLength);
  // The store creates the key with the value: a failure on a missing key is
  // one of creating it.
  const bool keyExisted = rt::registryKeyExists(root, key);
  const int code = rt::registryWriteString(root, key, name, cut(rt::clip(value), kWrittenLength));
  if (code == rt::registry_status::Ok) return;
  if (keyExisted) {
    ReportError(name, "setting", code);
  } else {
    ReportError(key, "opening", code);
  }
}

void RegistryAccess::ReportError(std::string_view keyPath, std::string_view operation, int code) {
  {
    std::lock_guard lock(ICS);
    LASTOP = cut(operation, kNameLength);
    LASTKEYNAME = cut(keyPath, kNameLength);
    LASTERROR = std::to_string(code);
  }
  if (QUIETMODE != 0 || code == 0) return;
  rt::MessageRequest request;
  // "|" breaks the line in a message.
  request.text =
      "Error " + std::string(operation) + " " + clipped(keyPath) + ":|" + std::to_string(code);
  request.caption = "Error";
  rt::showMessage(request);
}

std::string RegistryAccess::GetRegisteredOwner() {
  return GetRegValue(rt::RegistryRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                     "RegisteredOwner");
}

std::string RegistryAccess::DefaultMailAccountKey_() {
  const std::string id =
      cut(GetRegValue(rt::RegistryRoot::CurrentUser, kAccountManager, "Default Mail Account"),
          kAccountIdLength);
  if (rt::clip(id).empty()) return {};
  return clipped(cut(std::string(kAccountManager) + "\\Accounts\\" + id, kAccountKeyLength));
}

std::string RegistryAccess::mailAccountValue(std::string_view valueName) {
  return clipped(GetRegValue(rt::RegistryRoot::CurrentUser, DefaultMailAccountKey_(), valueName));
}

std::string RegistryAccess::GetSmtpDisplayName() { return mailAccountValue("SMTP Display Name"); }

std::string RegistryAccess::GetSmtpEmailAddress() { return mailAccountValue("SMTP Email Address"); }

std::string RegistryAccess::GetSmtpReplyTo() {
  return mailAccountValue("SMTP Reply To Email Address");
}

std::string RegistryAccess::GetSmtpServer() { return mailAccountValue("SMTP Server"); }

namespace {

std::optional<RegistryAccess>& processObject() {
  static std::optional<RegistryAccess> object;
  return object;
}

}  // namespace

RegistryAccess& registryAccess() {
  if (!processObject()) processObject().emplace();
  return *processObject();
}

void constructRegistryAccess() { processObject().emplace(); }

void destroyRegistryAccess() { processObject().reset(); }

}  // namespace textlib
