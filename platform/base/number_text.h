#pragma once
// Numbers as the runtime writes and reads them in text: plain decimal digits,
// no exponent, no grouping, no trailing zeros after the decimal point.
#include <optional>
#include <string>
#include <string_view>

namespace rt {

// "1234", "-0.5", "1234.25"; at most 15 significant digits, so binary noise
// such as 0.1 + 0.2 does not show.
std::string numberText(double value);

// The number a text holds when it looks numeric: optional blanks around an
// optional sign, digits, an optional "." and more digits (at least one digit).
// Anything else gives nothing.
std::optional<double> readNumber(std::string_view text);

// The runtime's conversion of any text to a number: the number it holds when
// it looks numeric, else 0.
double numericValue(std::string_view text);

// The integer part of a number, held within +-1e15 (NaN gives 0), for
// positions, counts and day numbers computed from any value.
long long wholeNumber(double value);

// A decimal text rounded half away from zero to `places` decimals, with
// exactly that many decimals; the sign is returned apart. Works on the value's
// 15-digit decimal form, so 1.005 rounds to 1.01 as a person expects.
struct DecimalDigits {
  bool negative = false;
  std::string integer;   // at least "0"
  std::string fraction;  // exactly `places` digits
};
DecimalDigits roundedDigits(double value, int places);

}  // namespace rt
