#pragma once
// The rich-text control's small windows on the window driver: find, find and
// replace, tab stops and paragraph indents. Each runs modally on the calling
// logical thread (the window that holds the control) and returns when closed.
// Lengths are shown and typed in centimetres.
#include <QString>
#include <optional>

#include "platform/ui/rtf_tool_windows.h"

namespace rt {

class RtfWindows : public RtfToolWindows {
 public:
  void openFind(RtfControl& control, const QString& initial) override;
  void openReplace(RtfControl& control, const QString& initial) override;
  void openTabStops(const std::vector<TabStop>& current, TabStopsChosen chosen) override;
  void openIndents(const Indents& current, IndentsChosen chosen) override;
};

// Twips as centimetres with a decimal comma ("2,54"), and back; none when the
// text is not a number.
QString centimetres(int twips);
std::optional<int> twipsOfCentimetres(const QString& text);

}  // namespace rt
