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
// passed as it stands. Returns at once; failures are not reported.
void shellOpen(std::string_view target);

// The opener receives the disk path or link as UTF-8. The default one runs
// xdg-open detached from the program. Returns the opener it replaces.
using ShellOpener = std::function<void(const std::string& utf8Target)>;
ShellOpener setShellOpener(ShellOpener opener);

// The system's warning sound (the exclamation beep). The window layer
// installs the desktop's beep; before that, and without one, it is silent.
void warningSound();
using WarningSound = std::function<void()>;
// Returns the sound it replaces.
WarningSound setWarningSound(WarningSound sound);

}  // namespace rt
