#pragma once
// The report destination window: settles where a listing goes from the
// frame's listing mode, and in the mail mode shows the destination, the
// recipient, the file name, the subject, the show-mail flag and the text
// for the user to change. It cannot cancel the listing.
#include "core/shapes/aided_window.h"

namespace output {

class ReportDestinationWindow : public core::AidedWindow {
 public:
  ReportDestinationWindow() : AidedWindow("VentanaParametrosListado") {}
  int Init() override;
  int TakeEvent() override;
  int TakeAccepted() override;
  int TakeCloseEvent() override;

 private:
  void writeBack();
  void enableMailGroup();
};

// Runs the window on the calling thread (the procedure of that name).
int runVentanaParametrosListado();

}  // namespace output
