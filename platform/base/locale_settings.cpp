#include "platform/base/locale_settings.h"

#include <charconv>
#include <string>

#include "platform/base/locale_texts.h"
#include "platform/base/runtime_errors.h"
#include "platform/base/text_order.h"

namespace rt {

bool setLocaleSetting(std::string_view name, std::string_view value) {
  const std::string key = upper(name);
  if (key == "CLACHARSET" || key == "CLAAMPM") return upper(value) == "WINDOWS";
  if (key == "CLACOLSEQ") return value == collationSequence();
  if (key == "CLACASE") return value == caseMapping();
  if (key == "CLAMONTH") return setMonthNames(value);
  if (key == "CLAMON") return setMonthShortNames(value);
  if (key == "CLABUTTON") return setButtonCaptions(value);
  constexpr std::string_view kMessage = "CLAMSG";
  if (key.size() > kMessage.size() && key.starts_with(kMessage)) {
    int code = 0;
    const char* first = key.data() + kMessage.size();
    const char* last = key.data() + key.size();
    auto [end, ec] = std::from_chars(first, last, code);
    if (ec != std::errc() || end != last || code <= 0) return false;
    setErrorText(code, value);
    return true;
  }
  return false;
}

}  // namespace rt
