#pragma once
// The program's message window: every notice, error and question of every
// thread is shown here. It logs the text of each message to the activity log,
// lays itself out from the text, the icon and the buttons, takes the buttons
// as a mask of standard buttons or as "|"-separated labels, and offers F12 to
// write to support while the message stays on the screen.
#include <QRect>
#include <QSize>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/message_hook.h"
#include "platform/ui/window_driver.h"

namespace core {

// The standard icons of the icon argument; any other text names an icon file.
inline constexpr std::string_view kIconError = "ICON:Hand";
inline constexpr std::string_view kIconQuestion = "ICON:Question";
inline constexpr std::string_view kIconWarning = "ICON:Exclamation";
inline constexpr std::string_view kIconInformation = "ICON:Asterisk";

// One button of the message: its label and the value it answers with in mask
// mode (0 in list mode, where a button answers its position).
struct MessageButton {
  std::string label;
  int value = 0;
};

struct MessageButtons {
  bool maskMode = true;
  std::vector<MessageButton> buttons;
  int defaultIndex = -1;  // 0-based; -1 without buttons
};

// The buttons of a buttons argument: blank is "Aceptar"; a number adds the
// button of each of its bits 1 to 128 in order; anything else is up to eight
// labels separated by "|", each cut to 20 characters.
MessageButtons messageButtons(std::string_view buttons, unsigned defaultButton);

// Where everything goes, in dialog units of the window's font.
struct MessageLayout {
  QSize window;
  QRect text;
  QRect cartel;  // the F12 notice
  QRect image;   // empty without an icon
  std::vector<QRect> buttons;
};

// The layout from the natural size of each line of the text (in dialog units),
// whether an icon is shown and how many buttons there are.
// `captionWidth`: the least width of the window, so the title bar shows the
// caption whole.
MessageLayout layoutMessage(const std::vector<QSize>& lineSizes, bool icon, int buttonCount,
                            int captionWidth = 0);

// Shows the message modally on the calling thread and returns the value of the
// pressed button (mask mode) or its position from 1 (list mode). Closed
// without a button it answers Cancel when it offers Cancel, else 0. The
// marked letter of a button ("&Si") answers it without Alt.
unsigned Kov_Message(std::string_view text, std::string_view caption = {},
                     std::string_view icon = {}, std::string_view buttons = {},
                     unsigned defaultButton = 0, bool style = false);

class MessageWindow : public rt::WindowDriver {
 public:
  MessageWindow(std::string text, std::string caption, std::string icon, std::string buttons,
                unsigned defaultButton);
  int Init() override;
  int TakeAccepted() override;
  int TakeWindowEvent() override;
  // Closed without a button (Esc, the close box): a message that offers
  // Cancel answers Cancel; any other answers 0.
  int TakeCloseEvent() override;
  // A message stays on top of every window, never inside the frame.
  bool hostable() const override { return false; }
  unsigned answer() const { return answer_; }

 private:
  std::string text_, caption_, icon_, buttonsArgument_;
  unsigned default_;
  MessageButtons buttons_;
  std::vector<QWidget*> controls_;
  std::vector<std::pair<int, QWidget*>> letterKeys_;  // plain letter key -> its button
  unsigned answer_ = 0;
};

// Makes the message window the handler of every message the program shows
// (rt::showMessage). A message asked outside any logical thread is logged and
// left to the handler installed before.
void installMessageWindow();

}  // namespace core
