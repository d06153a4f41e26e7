#pragma once
// Choosing a file to open or to save as: a replaceable service, so that tests
// answer with scripted names and never show a dialog. The standard chooser is
// the toolkit's file dialog, modal to the calling logical thread.
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QFileDialog;

namespace rt {

struct FileRequest {
  // Folder picks a folder; its masks are not used.
  enum class Purpose { Open, Save, Folder };
  Purpose purpose = Purpose::Open;
  std::string title;    // CP1252; empty: the dialog's own
  std::string current;  // runtime name to start from; empty: the working folder
  // Pairs of description and patterns, each followed by "|", patterns
  // separated by ";": "Archivos RTF|*.rtf|Todos los archivos|*.*". Empty:
  // every file.
  std::string masks;
};

// The chosen file as a runtime name (CP1252, absolute); none when the user
// cancelled.
std::optional<std::string> chooseFile(const FileRequest& request);

// The chooser beside an entry: a chosen name replaces `field`; a cancelled
// chooser leaves it as it was, so that leaving the dialog never costs what the
// entry held. Answers whether a name was chosen.
bool chooseFileInto(const FileRequest& request, std::string& field);

// The dialog the standard chooser shows for a request, not yet shown: the
// toolkit's own, in the program's Spanish, dates in the default locale.
std::unique_ptr<QFileDialog> makeFileDialog(const FileRequest& request);

// Installs a chooser and returns the one it replaces; an empty one restores
// the file dialog.
using FileChooser = std::function<std::optional<std::string>(const FileRequest&)>;
FileChooser setFileChooser(FileChooser chooser);

// The masks as the file dialog's filters ("Archivos RTF (*.rtf *.RTF)").
// Patterns match in either case, and "*.*" matches every name.
QString fileDialogFilters(std::string_view masks);

}  // namespace rt
