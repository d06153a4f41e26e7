#include "platform/base/outside_actions.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <utility>

#include "platform/base/cp1252.h"
#include "platform/base/paths.h"

namespace rt {
namespace {

std::mutex g_mutex;

// "mailto:", "https:"... : a scheme of two or more letters (one letter and a
// colon is a Windows drive).
bool isLink(std::string_view target) {
  const std::size_t colon = target.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const char c = target[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool other = i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.');
    if (!letter && !other) return false;
  }
  return true;
}

std::string findProgram(const char* name) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (!dirs.empty()) {
    const std::size_t colon = dirs.find(':');
    const std::string_view dir = dirs.substr(0, colon);
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    if (dir.empty()) continue;
    std::string candidate = std::string(dir) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// Runs xdg-open in a grandchild that belongs to no one, so the program never
// waits for it and leaves no zombie behind. Only async-signal-safe calls
// happen between fork and exec.
void openWithDesktop(const std::string& target) {
  const std::string program = findProgram("xdg-open");
  if (program.empty()) return;
  const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  const pid_t child = ::fork();
  if (child == 0) {
    ::setsid();
    if (::fork() != 0) ::_exit(0);
    if (devNull >= 0) {
      ::dup2(devNull, 0);
      ::dup2(devNull, 1);
      ::dup2(devNull, 2);
    }
    char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(target.c_str()),
                          nullptr};
    ::execv(program.c_str(), argv);
    ::_exit(127);
  }
  if (devNull >= 0) ::close(devNull);
  if (child > 0) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

ShellOpener& opener() {
  static ShellOpener o = openWithDesktop;
  return o;
}

WarningSound& sound() {
  static WarningSound s;
  return s;
}

}  // namespace

void shellOpen(std::string_view target) {
  target = clip(target);
  while (!target.empty() && target.front() == ' ') target.remove_prefix(1);
  if (target.empty()) return;
  const std::string utf8 = isLink(target) ? cp1252ToUtf8(target) : resolvePath(target).string();
  ShellOpener current;
  {
    std::lock_guard lock(g_mutex);
    current = opener();
  }
  if (current) current(utf8);
}

ShellOpener setShellOpener(ShellOpener replacement) {
  std::lock_guard lock(g_mutex);
  return std::exchange(opener(), std::move(replacement));
}

void warningSound() {
  WarningSound current;
  {
    std::lock_guard lock(g_mutex);
    current = sound();
  }
  if (current) current();
}

WarningSound setWarningSound(WarningSound replacement) {
  std::lock_guard lock(g_mutex);
  return std::exchange(sound(), std::move(replacement));
}

}  // namespace rt
