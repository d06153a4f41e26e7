#pragma once
// Small helpers shared by the picture and value classes.
#include <cstdint>
#include <string>
#include <string_view>

namespace textlib::value_text {

// Writes "[tb] " + text without trailing spaces to the debug output.
void trace(std::string_view text);

// The leading whole number of a text ("-1", "12", "7x" gives 7); 0 when there
// is none. Saturates instead of overflowing.
std::int64_t leadingNumber(std::string_view text);

// The text without its leading and trailing blanks.
std::string trimmed(std::string_view text);

// A whole number clamped into the 32-bit signed range; NaN gives 0.
std::int32_t clampToInt32(double value);

// The digits each byte of a byte representation takes in a radix, so every
// byte has the same width (written zero-padded, read back in groups of it);
// 0 for a radix without a fixed width.
int digitsPerByte(int radix);

}  // namespace textlib::value_text
