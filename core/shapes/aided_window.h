#pragma once
// The plain window's shape: a window on the driver with the aids every window
// gets at the end of its set-up (the configured font, and its size given back
// at the end; the focus marker; the keyboard navigation) and, for a window
// that has a procedure name, that name on the thread's procedure stack from
// Init to Kill. The record form and the list window stand on it too.
#include <QWidget>
#include <optional>
#include <string>

#include "core/aids/focus_marker.h"
#include "core/aids/font_scaler.h"
#include "core/aids/key_navigator.h"
#include "platform/base/logical_threads.h"
#include "platform/ui/window_driver.h"

namespace core {

class AidedWindow : public rt::WindowDriver {
 public:
  // Enters the window's procedure (when it has a name), then the driver's Init.
  int Init() override;
  // The driver's Kill, then the window back to its size from before the font
  // change, then the procedure left.
  int Kill() override;

 protected:
  // An empty name leaves the procedure stack to the caller.
  explicit AidedWindow(std::string procedureName = {});

  // After the window's controls are built, opened and coloured: the font,
  // the focus marker and the navigation.
  void setUpAids(QWidget* window, bool keepListArrows = false);
  // The same in two steps, for a window whose own set-up stands between the
  // font and the last steps: the font right after the colouring ...
  void scaleFont(QWidget* window);
  // ... and the focus marker and the navigation as the last steps.
  void markAndNavigate(QWidget* window, bool keepListArrows = false);
  // A control that keeps its own keys is excluded here before the last steps.
  KeyNavigator& keyNavigator() { return navigator_; }
  const std::string& procedureName() const { return procedureName_; }
  // Whether the window's procedure is entered: between its Init and its Kill.
  bool inProcedure() const { return tracked_.has_value(); }

 private:
  std::string procedureName_;
  std::optional<rt::ProcedureScope> tracked_;
  FontScaler scaler_;
  FocusMarker marker_;
  KeyNavigator navigator_;
};

}  // namespace core
