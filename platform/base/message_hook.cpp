#include "platform/base/message_hook.h"

#include <utility>

namespace rt {
namespace {

MessageHandler& handler() {
  static MessageHandler h;
  return h;
}

}  // namespace

int defaultAnswer(const MessageRequest& request) {
  if (request.defaultButton != 0) return request.defaultButton;
  if (!request.labels.empty()) return 1;
  for (int b = button::Ok; b <= button::Help; b <<= 1) {
    if (request.buttons & b) return b;
  }
  return button::Ok;
}

int showMessage(const MessageRequest& request) {
  // Copy: a handler may replace itself while the message is open.
  MessageHandler h = handler();
  return h ? h(request) : defaultAnswer(request);
}

MessageHandler setMessageHandler(MessageHandler h) {
  return std::exchange(handler(), std::move(h));
}

}  // namespace rt
