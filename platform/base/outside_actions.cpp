#include "platform/base/outside_actions.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <utility>
#include <vector>

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

constexpr int kOpened = kShellOpened;

// A file that would run rather than open: an executable binary or script.
bool isProgram(const std::filesystem::path& file) {
  if (::access(file.c_str(), X_OK) != 0) return false;
  char head[4] = {};
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return true;
  const ssize_t n = ::read(fd, head, sizeof head);
  ::close(fd);
  return (n >= 4 && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') ||
         (n >= 2 && head[0] == '#' && head[1] == '!');
}

// Runs xdg-open in a grandchild that belongs to no one, so the program never
// waits for it and leaves no zombie behind. Only async-signal-safe calls
// happen between fork and exec. A missing file or folder is answered before,
// as the shell answers it.
int openWithDesktop(const std::string& target) {
  if (!isLink(target)) {
    std::error_code error;
    const std::filesystem::path path(target);
    if (!std::filesystem::exists(path, error)) {
      return std::filesystem::is_directory(path.parent_path(), error) ? 2 : 3;
    }
  }
  const std::string program = findProgramOnPath("xdg-open");
  if (program.empty()) return 31;
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
  return child > 0 ? kOpened : 0;
}

// Everything the child needs, made before fork: between fork and exec only
// async-signal-safe calls happen (the caller may be one of several threads).
struct ExecPlan {
  std::string program;
  std::string folder;
  std::vector<std::string> storage;
  std::vector<char*> argv;
  ExecPlan(const std::string& p, const std::vector<std::string>& args,
           const std::filesystem::path& f)
      : program(p), folder(f.string()) {
    storage.push_back(p);
    storage.insert(storage.end(), args.begin(), args.end());
    for (std::string& a : storage) argv.push_back(a.data());
    argv.push_back(nullptr);
  }
  [[noreturn]] void exec(int in, int out) {
    if (in >= 0) ::dup2(in, 0);
    if (out >= 0) {
      ::dup2(out, 1);
      ::dup2(out, 2);
    }
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) ::_exit(126);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
};

ShellCodeOpener& opener() {
  static ShellCodeOpener o = openWithDesktop;
  return o;
}

WarningSound& sound() {
  static WarningSound s;
  return s;
}

}  // namespace

int shellOpen(std::string_view target) {
  target = clip(target);
  while (!target.empty() && target.front() == ' ') target.remove_prefix(1);
  if (target.empty()) return 2;
  std::string utf8;
  if (isLink(target)) {
    utf8 = cp1252ToUtf8(target);
  } else {
    const std::filesystem::path file = resolvePath(target);
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
      return std::filesystem::is_directory(file.parent_path(), error) ? 2 : 3;
    }
    if (::access(file.c_str(), R_OK) != 0) return 5;
    if (!std::filesystem::is_directory(file, error) && isProgram(file)) return 31;
    utf8 = file.string();
  }
  ShellCodeOpener current;
  {
    std::lock_guard lock(g_mutex);
    current = opener();
  }
  return current ? current(utf8) : 31;
}

std::string_view shellOpenErrorText(int code) {
  switch (code) {
    case 0:
      return "Out of memory or file is corrupt running program";
    case 2:
      return "File not found";
    case 3:
      return "Path noth found";
    case 5:
      return "Sharing violation";
    case 6:
      return "Data segment error";
    case 8:
      return "Not enough memory to run program";
    case 10:
      return "Incorrect windows version";
    case 11:
      return "Invalid program file.  Non windows or corrupt .exe file";
    case 12:
      return "Not a windows program";
    case 13:
      return "MS-DOS 4.0 program";
    case 14:
      return "Unknown program type";
    case 15:
      return "Can not run a real mode program";
    case 16:
      return "This program is already running and can only have one instance running";
    case 19:
      return "This is a compressed program file";
    case 20:
      return "One or more run time libraries are missing or corrupt";
    case 21:
      return "This program requires 32bit extension for Windows";
    case 31:
      return "No program associated with this file";
    default:
      return {};
  }
}

ShellCodeOpener setShellCodeOpener(ShellCodeOpener replacement) {
  std::lock_guard lock(g_mutex);
  return std::exchange(opener(), std::move(replacement));
}

namespace {

// A code opener handed out as a plain one: given back, it is restored whole.
struct CodeOpenerAsPlain {
  ShellCodeOpener code;
  void operator()(const std::string& target) const { code(target); }
};

}  // namespace

ShellOpener setShellOpener(ShellOpener replacement) {
  ShellCodeOpener wrapped;
  if (const auto* given = replacement.target<CodeOpenerAsPlain>()) {
    wrapped = given->code;
  } else if (replacement) {
    wrapped = [replacement](const std::string& target) {
      replacement(target);
      return kOpened;
    };
  }
  ShellCodeOpener previous = setShellCodeOpener(std::move(wrapped));
  if (!previous) return {};
  return CodeOpenerAsPlain{std::move(previous)};
}

std::string findProgramOnPath(std::string_view name) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (!dirs.empty()) {
    const std::size_t colon = dirs.find(':');
    const std::string_view dir = dirs.substr(0, colon);
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    if (dir.empty() || dir.front() != '/') continue;
    std::string candidate = std::string(dir) + "/" + std::string(name);
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

namespace {

ProgramRun runAndWait(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& folder) {
  ProgramRun run;
  int pipeEnds[2];
  if (::access(program.c_str(), X_OK) != 0 || ::pipe2(pipeEnds, O_CLOEXEC) != 0) return run;
  ExecPlan plan(program, args, folder);
  const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const pid_t child = ::fork();
  if (child == 0) plan.exec(devNull, pipeEnds[1]);
  ::close(pipeEnds[1]);
  if (devNull >= 0) ::close(devNull);
  if (child < 0) {
    ::close(pipeEnds[0]);
    return run;
  }
  run.started = true;
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(pipeEnds[0], chunk, sizeof chunk);
    if (n > 0) {
      run.output.append(chunk, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(pipeEnds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  // 127 with nothing written: the exec itself failed in the child.
  if (run.exitCode == 127 && run.output.empty()) run.started = false;
  return run;
}

ProgramRunner& runner() {
  static ProgramRunner r = runAndWait;
  return r;
}

}  // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& folder) {
  ProgramRunner current;
  {
    std::lock_guard lock(g_mutex);
    current = runner();
  }
  return current(program, args, folder);
}

ProgramRunner setProgramRunner(ProgramRunner replacement) {
  std::lock_guard lock(g_mutex);
  if (!replacement) replacement = runAndWait;
  return std::exchange(runner(), std::move(replacement));
}

std::filesystem::path programFolder() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::current_path() : self.parent_path();
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
