// Pictures and the texts read through them come from screens, reports and
// typed input: every picture and text must format and read back without fault.
// Input: the picture, a newline, then the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/number_text.h"
#include "platform/base/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string_view picture = input.substr(0, newline);
  const std::string_view text =
      newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
  const rt::Picture p = rt::parsePicture(picture);
  const std::string value = rt::deformat(text, p);
  const std::string shown = rt::format(value, p);
  rt::format(text, p);
  rt::format(rt::numericValue(text), p);
  // What is shown reads back, and shows the same again.
  if (p.kind == rt::PictureKind::Date && !value.empty() &&
      rt::format(rt::deformat(shown, p), p) != shown) {
    __builtin_trap();
  }
  return 0;
}
