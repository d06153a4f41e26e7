#pragma once
// Small services every subsystem calls: a debug trace line, opening a document
// or link with the desktop, making a folder. Runtime text (CP1252).
#include <string_view>

namespace core {

// The text without trailing spaces, at most 497 characters, as one line of
// the debug output.
void DebugTrace(std::string_view text);

// Opens a file (resolved in the working folder) or a link such as
// "mailto:..." with the desktop's program for it. The window handle is not
// used; failures are not reported.
void ShellOpen(long windowHandle, std::string_view target);

// Makes one folder (not its parents), resolved in the working folder.
// 0 when it was made; not 0 when it exists already or could not be made.
unsigned char MakeDirectory(std::string_view path);

}  // namespace core
