#pragma once
// Message boxes as the runtime offers them, reachable from code that knows
// nothing of windows (the string and network libraries included). The window
// layer installs the handler that shows the program's message window; tests
// install scripted answers.
#include <functional>
#include <string>

namespace rt {

enum class MessageIcon { None, Error, Question, Warning, Information };

// The runtime's standard buttons as a mask; a message answers with the value
// of the button pressed.
namespace button {
constexpr int Ok = 1;
constexpr int Yes = 2;
constexpr int No = 4;
constexpr int Abort = 8;
constexpr int Retry = 16;
constexpr int Ignore = 32;
constexpr int Cancel = 64;
constexpr int Help = 128;
}  // namespace button

struct MessageRequest {
  std::string text;     // CP1252; "|" starts a new line
  std::string caption;  // CP1252
  MessageIcon icon = MessageIcon::None;
  int buttons = button::Ok;  // mask of standard buttons, used when labels is empty
  std::string labels;        // "|"-separated captions; the answer is the 1-based index
  int defaultButton = 0;     // a mask value, or a label index; 0 = the first button
};

using MessageHandler = std::function<int(const MessageRequest&)>;

// Shows the message through the installed handler and returns its answer.
// Without a handler the answer is the default button (the first when none).
int showMessage(const MessageRequest& request);

// Installs a handler and returns the one it replaces.
MessageHandler setMessageHandler(MessageHandler handler);

// The answer a message gives when nobody presses a button.
int defaultAnswer(const MessageRequest& request);

}  // namespace rt
