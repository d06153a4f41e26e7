#pragma once
// The message-box primitive: a message (see platform/base/message_hook.h)
// shown as a window of its own, modal to the calling logical thread only.
#include "platform/base/message_hook.h"
#include "platform/ui/window_driver.h"

namespace rt {

class MessageBoxWindow : public WindowDriver {
 public:
  explicit MessageBoxWindow(MessageRequest request);
  int Init() override;
  int TakeAccepted() override;
  // Enter presses the button that has the focus; Esc asks to close.
  int TakeWindowEvent() override;
  // Closing the window answers Cancel when the message offers it, or its only
  // button; otherwise a button must be pressed.
  int TakeCloseEvent() override;
  // Runs the window and returns the pressed button's value: a button mask
  // value, or the 1-based index of a "|" label.
  int ask();

 private:
  MessageRequest request_;
  std::vector<std::pair<QWidget*, int>> buttons_;
  int answer_ = 0;
};

// Installs the handler that shows messages through MessageBoxWindow. A
// message asked for outside any logical thread cannot wait: it answers its
// default button and notes the text on the debug output.
void installMessageBoxes();

}  // namespace rt
