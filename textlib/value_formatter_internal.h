#pragma once
// Helpers shared by the source files of ValueFormatter.
#include <string>
#include <string_view>

#include "textlib/value_text.h"

namespace textlib::formatter_detail {

// Whether the text holds a digit.
bool holdsDigit(std::string_view text);
// A digits field of a picture read as a number (0 when blank).
inline int fieldNumber(std::string_view field) {
  return value_text::clampToInt32(static_cast<double>(value_text::leadingNumber(field)));
}

}  // namespace textlib::formatter_detail
