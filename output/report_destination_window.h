#pragma once
// The report destination window: settles where a listing goes from the
// frame's listing mode, and in the mail mode shows the destination, the
// recipient, the file name, the subject, the show-mail flag and the text
// for the user to change. It cannot cancel the listing.
#include "core/focus_marker.h"
#include "core/font_scaler.h"
#include "core/key_navigator.h"
#include "platform/ui/window_driver.h"

namespace output {

class VentanaParametrosListado : public rt::WindowDriver {
 public:
  int Init() override;
  int TakeEvent() override;
  int TakeAccepted() override;
  int TakeCloseEvent() override;
  int Kill() override;

 private:
  void writeBack();
  void enableMailGroup();

  core::FontScaler fontScaler_;
  core::KeyNavigator keyNavigator_;
  core::FocusMarker focusMarker_;
};

// Runs the window on the calling thread (the procedure of that name).
int runVentanaParametrosListado();

}  // namespace output
