#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

#include "netlib/net_base.h"
#include "platform/base/paths.h"
#include "textlib/text_buffer.h"

namespace netlib {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

bool nothingToMake(std::string_view path) {
  if (path.empty()) return true;
  if (path.size() >= 2 && path[1] == ':' && path.size() <= 3) return true;  // a drive root
  // A server's share root: "\\server" with no folder below it.
  return path.size() >= 2 && path.substr(0, 2) == "\\\\" &&
         path.find('\\', 2) == std::string_view::npos;
}

}  // namespace

double NetBase_::MillisecondsSince_(rt::Date date) {
  using namespace std::chrono;
  const auto now = system_clock::now().time_since_epoch();
  const auto today = duration_cast<days>(now);
  const double utcDay = static_cast<double>(today.count()) + kUnixEpochDay;
  const double millisecondsToday =
      static_cast<double>(duration_cast<milliseconds>(now - today).count());
  return (utcDay - date) * 86400000.0 + millisecondsToday;
}

std::int32_t NetBase_::ToUnixTime_(rt::Date date, rt::Time time) {
  // Times count hundredths from 1: the hundredths of the second are dropped.
  // The product of days wraps in 32 bits as the classes' arithmetic did.
  std::uint32_t seconds = static_cast<std::uint32_t>(time > 0 ? (time - 1) / 100 : 0);
  if (date > kUnixEpochDay) {
    seconds += static_cast<std::uint32_t>(date - kUnixEpochDay) * 86400u;
  }
  return static_cast<std::int32_t>(seconds);
}

std::int32_t NetBase_::UnixToDate_(std::int32_t seconds) {
  if (seconds < kSecondsPerDay) return 0;
  return static_cast<std::int32_t>(seconds / kSecondsPerDay) + kUnixEpochDay;
}

std::int32_t NetBase_::UnixToTime_(std::int32_t seconds) {
  if (seconds < 0) return 0;
  return static_cast<std::int32_t>(seconds % kSecondsPerDay) * 100 + 1;
}

int NetBase_::CreateDirectory_(std::string_view path) {
  std::string_view text = path;
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (nothingToMake(text)) return 0;
  CreateDirectory_(textlib::TextBuffer().PathOnly(text));
  std::string name(text.substr(0, 259));  // 260 with its terminating NUL
  std::error_code failed;
  return std::filesystem::create_directory(rt::resolvePath(name), failed) ? 0 : -1;
}

}  // namespace netlib
