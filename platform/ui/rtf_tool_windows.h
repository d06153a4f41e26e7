#pragma once
// The small windows and outside actions of the rich-text control: find, find and
// replace, tab stops, paragraph indents; choosing a file, printing. A window acts
// through the control's operations, or calls back with what the user confirmed;
// none runs a nested event loop.
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/rich_text.h"
#include "platform/ui/rich_text_editing.h"

namespace rt {

class RtfControl;

class RtfToolWindows {
 public:
  virtual ~RtfToolWindows() = default;

  // The find window calls control.findNext; the replace window also
  // control.replaceNext and control.replaceAll. `initial` is the selected text.
  virtual void openFind(RtfControl& control, const QString& initial) = 0;
  virtual void openReplace(RtfControl& control, const QString& initial) = 0;

  using TabStopsChosen = std::function<void(const std::vector<TabStop>&)>;
  virtual void openTabStops(const std::vector<TabStop>& current, TabStopsChosen chosen) = 0;
  using IndentsChosen = std::function<void(const Indents&)>;
  virtual void openIndents(const Indents& current, IndentsChosen chosen) = 0;
};

// Choosing a file and printing, for the file tools.
class RtfFileServices {
 public:
  virtual ~RtfFileServices() = default;
  // The path is in the runtime's text (CP1252); not called when the user cancels.
  using FileChosen = std::function<void(const std::string& path)>;
  virtual void chooseFileToOpen(FileChosen chosen) = 0;
  virtual void chooseFileToSave(const std::string& current, FileChosen chosen) = 0;
  virtual void print(const std::string& markup, const std::string& title) = 0;
};

}  // namespace rt
