// TextBuffer: one-call formatting and reading by a display picture, and the
// test whether a text looks like a time of day.
#include <string>

#include "platform/base/number_text.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"
#include "textlib/value_formatter.h"
#include "textlib/value_parser.h"

namespace textlib {

void TextBuffer::SetDeformatted(std::string_view text, std::string_view picture) {
  SetValue(DeformatString(text, picture));
}

void TextBuffer::DeformatValue(std::string_view picture) { SetValue(GetDeformatted(picture)); }

std::string TextBuffer::DeformatString(std::string_view text, std::string_view picture) {
  ValueParser parser;
  return parser.Deformat(text, picture, false);
}

std::string TextBuffer::GetDeformatted(std::string_view picture) const {
  return DeformatString(view(), picture);
}

void TextBuffer::DeformatTimeValue() {
  if (DATAEND_ > 0) SetValue(DeformatTimeString(view()));
}

std::string TextBuffer::DeformatTimeString(std::string_view text) {
  if (text.empty()) return {};
  ValueParser parser;
  return rt::numberText(parser.DeformatTime(text, {}, true));
}

void TextBuffer::SetFormatted(std::string_view text, std::string_view picture) {
  SetValue(FormatString(text, picture));
}

void TextBuffer::FormatValue(std::string_view picture) { SetValue(GetFormatted(picture)); }

void TextBuffer::FormatIfSet(std::string_view picture) {
  if (DATAEND_ > 0) FormatValue(picture);
}

std::string TextBuffer::FormatString(std::string_view text, std::string_view picture) {
  ValueFormatter formatter;
  return formatter.FormatValue(text, picture, false, 0);
}

std::string TextBuffer::GetFormatted(std::string_view picture) const {
  return FormatString(view(), picture);
}

std::string TextBuffer::FormatTimeString(std::string_view time, std::string_view picture) {
  ValueFormatter formatter;
  return formatter.FormatTime(picture, rt::numericValue(time));
}

int TextBuffer::IsTime() const { return IsTimeString(view()); }

int TextBuffer::IsTimeString(std::string_view text) {
  if (text.find_first_not_of("0123456789: apmAPM") != std::string_view::npos) return 0;
  if (detail::clipView(text).empty()) return 0;
  if (text.find(':') == std::string_view::npos) {
    const std::string upper = detail::upperCopy(text);
    if (upper.find("AM") == std::string::npos && upper.find("PM") == std::string::npos) return 0;
  }
  // The hour: the digits before the first ":" or letter.
  std::size_t i = text.find_first_not_of(' ');
  int hour = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    hour = hour * 10 + (text[i] - '0');
    if (hour > 24) return 0;
  }
  return 1;
}

}  // namespace textlib
