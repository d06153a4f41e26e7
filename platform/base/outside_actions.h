#pragma once
// Actions that reach outside the program, as replaceable services so that
// tests never launch anything.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

// Opens a document with the program the desktop associates with it, or a
// link ("mailto:...", "https://...") with the desktop's handler. The target
// is runtime text (CP1252): a file name is resolved by resolvePath, a link is
// passed as it stands. Returns at once with the shell's answer: above 32 when
// the target was handed to its program, else the shell's failure code (2 an
// empty path or a missing file, 3 its folder is missing, 5 it cannot be
// read, 31 no program opens it). A program (an executable file) is never
// run: it answers 31.
int shellOpen(std::string_view target);
constexpr int kShellOpened = 42;

// The shell's text for a failure code of shellOpen; empty for other codes.
std::string_view shellOpenErrorText(int code);

// The opener receives the disk path or link as UTF-8 and answers the shell's
// code. The default one answers 2, 3 or 31 as above, or runs xdg-open
// detached from the program and answers 42. Returns the opener it replaces.
using ShellCodeOpener = std::function<int(const std::string& utf8Target)>;
ShellCodeOpener setShellCodeOpener(ShellCodeOpener opener);
// An opener that always succeeds (tests that only record what is opened).
using ShellOpener = std::function<void(const std::string& utf8Target)>;
ShellOpener setShellOpener(ShellOpener opener);

// Outside programs. A program is named by its disk path; its arguments are
// passed as a list (no shell, so a blank never splits one). `folder` becomes
// its current directory.
struct ProgramRun {
  bool started = false;  // false: the program could not be started
  int exitCode = -1;     // the exit code; -1 when it did not end normally
  std::string output;    // what it wrote on its standard output and error (UTF-8)
};
// Runs the program and waits for it to end. Blocks: call it from a worker.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& folder);
// The runner runProgram uses, replaceable so that tests run what they
// choose (they may be called from a worker). Returns the one it replaces.
using ProgramRunner =
    std::function<ProgramRun(const std::string& program, const std::vector<std::string>& args,
                             const std::filesystem::path& folder)>;
ProgramRunner setProgramRunner(ProgramRunner runner);

// The program of this name in a folder of $PATH; folders given relatively
// (".", the working folder's own) are never searched. Empty when none.
std::string findProgramOnPath(std::string_view name);

// The folder of the running program.
std::filesystem::path programFolder();

// The system's warning sound (the exclamation beep). The window layer
// installs the desktop's beep; before that, and without one, it is silent.
void warningSound();
using WarningSound = std::function<void()>;
// Returns the sound it replaces.
WarningSound setWarningSound(WarningSound sound);

}  // namespace rt
