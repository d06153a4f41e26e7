#include "core/aids/warning_notice.h"

#include "platform/base/message_hook.h"
#include "platform/base/outside_actions.h"

namespace core {

void warningNotice(std::string_view text, std::string_view caption) {
  rt::warningSound();
  rt::MessageRequest m;
  m.text = std::string(text);
  m.caption = std::string(caption);
  m.icon = rt::MessageIcon::Warning;
  m.labels = "Aceptar";
  rt::showMessage(m);
}

}  // namespace core
