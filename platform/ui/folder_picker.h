#pragma once
// The folder dialog, as a replaceable service: the dialog's short native loop
// runs only here, and tests answer without showing anything.
#include <functional>
#include <string>
#include <string_view>

class QWidget;

namespace rt {

// Asks for a folder; runtime text (CP1252) in and out. An empty answer when
// the dialog was cancelled. The current directory is the same afterwards.
std::string pickFolder(QWidget* parent, std::string_view title, std::string_view startFolder);

using FolderPicker = std::function<std::string(std::string_view title, std::string_view start)>;
// Replaces the dialog (tests); returns the picker it replaces (empty: the dialog).
FolderPicker setFolderPicker(FolderPicker picker);

}  // namespace rt
