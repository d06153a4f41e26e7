#pragma once
// The main window the program shows until the real frame replaces it under
// the name "Main": an empty main window that serves the single-instance
// hand-over and closes when the user closes it.
#include "core/single_instance.h"
#include "platform/ui/window_driver.h"

namespace core {

class InterimFrame : public rt::WindowDriver {
 public:
  int Init() override;
  int TakeEvent() override;

 private:
  SingleInstanceServer instance_;
};

// The procedure registered as "Main" until the frame exists.
int runInterimFrame();

}  // namespace core
