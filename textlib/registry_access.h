#pragma once
// RegistryAccess: the process-wide object that reads and writes text values
// of the registry (platform/base/registry_store.h), remembers the last error
// and offers a few getters of well-known values. Errors are recorded in the
// object's fields and, unless the object is quiet, shown in a message box.
//
// One object per process (registryAccess()): made first of the process-wide
// objects, made quiet when the main program starts, destroyed last. Texts are
// runtime text (CP1252), kept without their padding.
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/base/registry_store.h"

namespace textlib {

// Windows error codes of the registry calls beyond those of the store.
namespace registry_error {
constexpr int MoreData = 234;     // a value's name or data is larger than the buffers
constexpr int NoMoreItems = 259;  // the end of a key's values
}  // namespace registry_error

class RegistryAccess {
 public:
  std::uint8_t QUIETMODE = 0;  // non-zero: errors are recorded but not shown
  // The last error: "opening", "retrieving" or "setting"; its Windows code as
  // decimal text; the key path (the value name for "setting"). Blank = none.
  std::string LASTOP;
  std::string LASTERROR;
  std::string LASTKEYNAME;

  RegistryAccess() = default;
  virtual ~RegistryAccess() = default;
  RegistryAccess(const RegistryAccess&) = delete;
  RegistryAccess& operator=(const RegistryAccess&) = delete;

  // Nothing to end: the object keeps no key open.
  void Kill() {}
  void SetQuietMode(std::uint8_t value) { QUIETMODE = value; }
  void ClearErrors();

  // The text of the value (names match ignoring case and surrounding blanks),
  // at most 255 characters, without trailing blanks; the default when the key
  // or the value is missing or cannot be read.
  std::string GetRegValue(rt::RegistryRoot root, std::string_view keyPath,
                          std::string_view valueName, std::string_view defaultValue = {});
  // Writes the value as a string, creating the key when needed.
  void PutRegValue(rt::RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                   std::string_view value);

  // ---- Overridable ---------------------------------------------------------
  // Records the error and, unless quiet and when code is not 0, shows it.
  virtual void ReportError(std::string_view keyPath, std::string_view operation, int code);
  virtual std::string GetRegisteredOwner();
  // The key path of the default mail account of the Internet Account Manager;
  // empty when none is set.
  virtual std::string DefaultMailAccountKey_();
  virtual std::string GetSmtpDisplayName();
  virtual std::string GetSmtpEmailAddress();
  virtual std::string GetSmtpReplyTo();
  virtual std::string GetSmtpServer();

 private:
  std::string mailAccountValue(std::string_view valueName);

  std::mutex ICS;  // guards the three error fields
};

// The process's object (made on first use when the process start has not
// made it yet).
RegistryAccess& registryAccess();
// Makes the process's object anew, and destroys it.
void constructRegistryAccess();
void destroyRegistryAccess();

}  // namespace textlib
