#pragma once
// The birthday listing window: asks for the day whose birthdays are listed
// (today unless changed; only day and month count) and runs the birthday
// listing on its own thread, then closes.
#include <optional>

#include "core/focus_marker.h"
#include "core/font_scaler.h"
#include "core/key_navigator.h"
#include "platform/base/clock.h"
#include "platform/base/logical_threads.h"
#include "platform/ui/window_driver.h"

namespace practice {

class VentanaListadoCumples : public rt::WindowDriver {
 public:
  int Init() override;
  int TakeAccepted() override;
  int Kill() override;

  rt::Date Fecha = 0;

 private:
  void readDate();

  std::optional<rt::ProcedureScope> tracked_;
  core::FontScaler fontScaler_;
  core::KeyNavigator keyNavigator_;
  core::FocusMarker focusMarker_;
};

// Runs the window on the calling thread (the procedure of that name).
int runVentanaListadoCumples();

}  // namespace practice
