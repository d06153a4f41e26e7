#include "core/frame/environment_variables.h"

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <string_view>

#include "platform/base/cp1252.h"
#include "platform/base/paths.h"

namespace core {
namespace {

constexpr std::array<std::string_view, 33> kNames = {
    "%ALLUSERSPROFILE%",
    "%APPDATA%",
    "%CD%",
    "%CMDCMDLINE%",
    "%CMDEXTVERSION%",
    "%COMPUTERNAME%",
    "%COMSPEC%",
    "%DATE%",
    "%ERRORLEVEL%",
    "%HOMEDRIVE%",
    "%HOMEPATH%",
    "%HOMESHARE%",
    "%LOGONSEVER%",
    "%NUMBER_OF_PROCESSORS%",
    "%OS%",
    "%PATH%",
    "%PATHEXT%",
    "%PROCESSOR_ARCHITECTURE%",
    "%PROCESSOR_IDENTIFIER%",
    "%PROCESSOR_LEVEL%",
    "%PROCESSOR_REVISION%",
    "%PROGRAMFILES%",
    "%PROMPT%",
    "%RANDOM%",
    "%SYSTEMDRIVE%",
    "%SYSTEMROOT%",
    "%TEMP%",
    "%TMP%",
    "%TIME%",
    "%USERDOMAIN%",
    "%USERNAME%",
    "%USERPROFILE%",
    "%WINDIR%",
};

constexpr std::size_t kMaxValue = 259;

// The variable's value as UTF-8; empty when it is not set.
std::string lookUp(std::string_view variable) {
  if (const char* value = std::getenv(std::string(variable).c_str())) return value;
  if (variable == "TEMP" || variable == "TMP") return rt::tempFolder().string();
  if (variable == "COMPUTERNAME") {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) == 0) return host;
  }
  return {};
}

}  // namespace

std::string EnvVarName(long number) {
  if (number < 1 || number > static_cast<long>(kNames.size())) return {};
  return std::string(kNames[static_cast<std::size_t>(number - 1)]);
}

std::string EnvVarValue(long number) {
  const long k = number < 0 ? -number : number;
  const std::string name = EnvVarName(k);
  if (name.empty() || number < 0) return name;
  std::string value = rt::utf8ToCp1252(lookUp(std::string_view(name).substr(1, name.size() - 2)));
  return value.size() > kMaxValue ? std::string() : value;
}

}  // namespace core
