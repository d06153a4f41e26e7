#pragma once
// The aids every window gets at the end of its set-up: the configured font
// (and its size given back at the end), the focus marker and the keyboard
// navigation.
#include <QWidget>

#include "core/focus_marker.h"
#include "core/font_scaler.h"
#include "core/key_navigator.h"

namespace core {

class WindowAids {
 public:
  // After the window's controls are built and coloured.
  void setUp(QWidget* window, bool keepListArrows = false);
  // At Kill: the window back to its size from before the font change.
  void release() { scaler_.ApplyPendingSize(); }

 private:
  FontScaler scaler_;
  FocusMarker marker_;
  KeyNavigator navigator_;
};

}  // namespace core
