#pragma once
// The birthday listing window: asks for the day whose birthdays are listed
// (today unless changed; only day and month count) and runs the birthday
// listing on its own thread, then closes.
#include "core/shapes/aided_window.h"
#include "platform/base/clock.h"

namespace practice {

class BirthdayWindow : public core::AidedWindow {
 public:
  BirthdayWindow() : AidedWindow("VentanaListadoCumples") {}
  int Init() override;
  int TakeAccepted() override;

  rt::Date Fecha = 0;

 private:
  void readDate();
};

// Runs the window on the calling thread (the procedure of that name).
int runVentanaListadoCumples();

}  // namespace practice
