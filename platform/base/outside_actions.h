#pragma once
// Actions that reach outside the program, as replaceable services so that
// tests never launch anything.
#include <functional>
#include <string>
#include <string_view>

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

}  // namespace rt
