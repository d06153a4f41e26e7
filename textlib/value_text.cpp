#include "textlib/value_text.h"

#include <cmath>
#include <limits>

#include "platform/base/cp1252.h"
#include "platform/base/debug_sink.h"

namespace textlib::value_text {

void trace(std::string_view text) {
  std::string line = "[tb] ";
  line += rt::clip(text);
  rt::debugOutput(line);
}

std::int64_t leadingNumber(std::string_view text) {
  constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 10 - 9;
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (negative || (i < text.size() && text[i] == '+')) ++i;
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < kLimit) value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

std::string trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::int32_t clampToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value <= std::numeric_limits<std::int32_t>::min()) {
    return std::numeric_limits<std::int32_t>::min();
  }
  if (value >= std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  return static_cast<std::int32_t>(std::trunc(value));
}

int digitsPerByte(int radix) {
  if (radix == 2) return 8;
  if (radix == 3) return 6;
  if (radix >= 4 && radix <= 6) return 4;
  if (radix >= 7 && radix <= 15) return 3;
  if (radix == 16) return 2;
  return 0;
}

}  // namespace textlib::value_text
