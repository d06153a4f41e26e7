#include "platform/base/failure_report.h"

#include <new>

#include "platform/base/cp_literal.h"
#include "platform/base/debug_sink.h"
#include "platform/base/message_hook.h"

namespace rt {

std::string failureText(std::string_view where, std::exception_ptr failure) {
  const std::string named = "«"_cp + std::string(where) + "»"_cp;
  try {
    if (failure) std::rethrow_exception(failure);
  } catch (const std::bad_alloc&) {
    return "No hay memoria suficiente para continuar en "_cp + named +
           ": la operación se interrumpió.|Cierre otras ventanas o reduzca lo que se lista y vuelva a intentarlo."_cp;
  } catch (const std::exception& e) {
    return "Error inesperado en "_cp + named + ": " + e.what();
  } catch (...) {
  }
  return "Error inesperado en "_cp + named + ".";
}

void reportFailure(std::string_view where, std::exception_ptr failure) {
  const std::string text = failureText(where, failure);
  debugOutput("Error no controlado: " + text);
  MessageRequest message;
  message.text = text;
  message.caption = "Error";
  message.icon = MessageIcon::Error;
  message.buttons = button::Ok;
  showMessage(message);
}

}  // namespace rt
