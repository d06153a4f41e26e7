#include "core/warning_notice.h"

#include <QApplication>

#include "platform/base/message_hook.h"

namespace core {

void warningNotice(std::string_view text, std::string_view caption) {
  QApplication::beep();
  rt::MessageRequest m;
  m.text = std::string(text);
  m.caption = std::string(caption);
  m.icon = rt::MessageIcon::Warning;
  m.labels = "Aceptar";
  rt::showMessage(m);
}

}  // namespace core
