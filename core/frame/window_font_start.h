#pragma once
// The process-wide start values of the window font, set once before the frame
// exists and read by every window's font step.
#include <string>

namespace core {

struct WindowFontStart {
  std::string name;  // STRING(31)
  int size = 0;
  int color = 0;    // -1: keep the window's own
  int style = 0;    // -1: keep the window's own
  int charset = 0;  // -1: keep the window's own
  int disable = 0;  // not 0: every window keeps its designed font
  // Bit value 4 is set once the INI entries have been read.
  int flags = 0;
  std::string section;  // the program INI's section of the font entries
};

WindowFontStart& windowFontStart();
// Gives the values their start: "Roboto Medium", 9, colour, style and charset
// -1, disable 0, flags 3, section "AnyFont".
void setWindowFontStartValues();

}  // namespace core
