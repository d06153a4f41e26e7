#pragma once
// The file tools' outside actions on the program's services: files are chosen
// through the file chooser, documents printed through the print service.
#include "platform/ui/rtf_tool_windows.h"

namespace rt {

class RtfFileDialogs : public RtfFileServices {
 public:
  void chooseFileToOpen(FileChosen chosen) override;
  void chooseFileToSave(const std::string& current, FileChosen chosen) override;
  // Prints the document page by page; a failure is reported in a message.
  void print(const std::string& markup, const std::string& title) override;

  // The one the rich-text control uses when it is given none.
  static RtfFileDialogs& standard();
};

}  // namespace rt
