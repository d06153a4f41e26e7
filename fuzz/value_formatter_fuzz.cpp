// Any value under any picture: the formatter lays out numbers, dates, times
// and bytes with arithmetic of its own, which must hold for values far out of
// range (huge, negative, not a number) as well as for typed garbage.
// Input: the picture, a line feed, then the value.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "textlib/value_formatter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\n');
  const std::string_view picture = input.substr(0, cut);
  const std::string_view value = cut == std::string_view::npos ? "" : input.substr(cut + 1);
  textlib::ValueFormatter formatter;
  formatter.FormatValue(value, picture, false, 0);
  formatter.FormatValue(value, picture, false, textlib::ValueFormatter::kKeepValue);
  return 0;
}
