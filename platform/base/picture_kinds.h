#pragma once
// The formatting and reading of each kind of picture; picture.h dispatches to
// them. Internal to the picture engine.
#include <string>
#include <string_view>

#include "platform/base/picture.h"

namespace rt::picture_kinds {

std::string formatNumber(double value, const Picture& picture);
std::string deformatNumber(std::string_view text, const Picture& picture);
std::string formatScientific(double value, const Picture& picture);
std::string deformatScientific(std::string_view text, const Picture& picture);

std::string formatDate(double value, const Picture& picture);
std::string deformatDate(std::string_view text, const Picture& picture);
std::string formatTime(double value, const Picture& picture);
std::string deformatTime(std::string_view text, const Picture& picture);

// Pattern pictures take the value's digits; key-in pictures its characters.
std::string formatPattern(std::string_view digits, const Picture& picture);
std::string deformatPattern(std::string_view text, const Picture& picture);
std::string formatKeyIn(std::string_view value, const Picture& picture);
std::string deformatKeyIn(std::string_view text, const Picture& picture);

// Digits of a decimal number text read loosely ("-1,234.50" under a "."
// mark): the plain decimal text, "0" when there is no digit.
std::string plainDecimal(bool negative, std::string_view integer, std::string_view fraction);

}  // namespace rt::picture_kinds
