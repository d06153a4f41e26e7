#include "core/frame/window_font_start.h"

namespace core {

WindowFontStart& windowFontStart() {
  static WindowFontStart values;
  return values;
}

void setWindowFontStartValues() {
  WindowFontStart& v = windowFontStart();
  v.name = "Roboto Medium";
  v.size = 9;
  v.color = -1;
  v.style = -1;
  v.charset = -1;
  v.disable = 0;
  v.flags = 3;
  v.section = "AnyFont";
}

}  // namespace core
