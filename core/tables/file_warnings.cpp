#include "core/tables/file_warnings.h"

#include <string>

#include "platform/base/cp1252.h"
#include "platform/base/message_hook.h"
#include "platform/base/runtime_errors.h"

namespace core {
namespace {

constexpr std::size_t kDescriptionWidth = 150;

}  // namespace

void ShowFileWarning(long number, std::string_view text1, std::string_view /*text2*/) {
  const std::string description = rt::errorDescription().substr(0, kDescriptionWidth);
  rt::MessageRequest request;
  request.icon = rt::MessageIcon::Warning;
  request.buttons = rt::button::Ok;
  request.defaultButton = rt::button::Ok;
  if (number == kRecordRetrievalWarning) {
    request.text = "Error: (" + description + ") attempting to access a record from the " +
                   std::string(rt::clip(text1)) + " file.  Returning to previous window.";
    request.caption = "Record Retrieval Error";
  } else if (number == kViewOpenWarning) {
    request.text = "Error: (" + description +
                   ") attempting to open the current VIEW. Filter and Range Limits ignored.";
    request.caption = "View Open Error";
  } else {
    return;
  }
  rt::showMessage(request);
}

void ShowFileWarningText(long number, std::string_view text) { ShowFileWarning(number, text, {}); }

void ShowFileWarningNumber(long number) { ShowFileWarning(number, {}, {}); }

}  // namespace core
