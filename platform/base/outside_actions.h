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
// passed as it stands. Returns at once with a code in the manner of the
// Windows shell: above 32 when handed over; 2 for an empty path or a missing
// file, 3 for a missing folder, 5 for a file that cannot be read, 31 when no
// program opens it. A program (an executable file) is never run.
int shellOpen(std::string_view target);
constexpr int kShellOpened = 42;

// The text the program shows for a failed open's code; empty for a code
// without one.
std::string_view shellOpenErrorText(int code);

// The opener receives the disk path or link as UTF-8. The default one runs
// xdg-open detached from the program. Returns the opener it replaces.
using ShellOpener = std::function<void(const std::string& utf8Target)>;
ShellOpener setShellOpener(ShellOpener opener);

}  // namespace rt
