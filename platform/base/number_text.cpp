#include "platform/base/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace rt {
namespace {

// |value| in fixed notation with 15 significant digits (fewer decimals for
// large values, none beyond 15 integer digits).
std::string fixedText(double magnitude) {
  int integerDigits = magnitude >= 1 ? static_cast<int>(std::floor(std::log10(magnitude))) + 1 : 1;
  int decimals = 15 - integerDigits;
  if (decimals < 0) decimals = 0;
  if (decimals > 30) decimals = 30;
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, magnitude);
  return buffer;
}

bool allZeros(std::string_view digits) {
  return digits.find_first_not_of('0') == std::string_view::npos;
}

}  // namespace

DecimalDigits roundedDigits(double value, int places) {
  DecimalDigits out;
  if (!std::isfinite(value)) value = 0;
  if (places < 0) places = 0;
  out.negative = value < 0;
  const std::string text = fixedText(std::fabs(value));
  const std::size_t dot = text.find('.');
  out.integer = text.substr(0, dot);
  std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);
  const bool roundUp =
      fraction.size() > static_cast<std::size_t>(places) && fraction[places] >= '5';
  fraction.resize(places, '0');
  if (roundUp) {
    int i = places - 1;
    for (; i >= 0 && fraction[i] == '9'; --i) fraction[i] = '0';
    if (i >= 0) {
      ++fraction[i];
    } else {
      int j = static_cast<int>(out.integer.size()) - 1;
      for (; j >= 0 && out.integer[j] == '9'; --j) out.integer[j] = '0';
      if (j >= 0) {
        ++out.integer[j];
      } else {
        out.integer.insert(out.integer.begin(), '1');
      }
    }
  }
  out.fraction = fraction;
  if (allZeros(out.integer) && allZeros(out.fraction)) out.negative = false;
  return out;
}

std::string numberText(double value) {
  if (!std::isfinite(value)) return "0";
  std::string text = fixedText(std::fabs(value));
  const std::size_t dot = text.find('.');
  if (dot != std::string::npos) {
    std::size_t end = text.find_last_not_of('0');
    if (end == dot) --end;
    text.resize(end + 1);
  }
  if (value < 0 && text.find_first_not_of("0.") != std::string::npos)
    text.insert(text.begin(), '-');
  return text;
}

std::optional<double> readNumber(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  const std::size_t start = i;
  std::size_t digits = 0;
  while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  const std::size_t end = i;
  while (i < n && text[i] == ' ') ++i;
  if (digits == 0 || i != n) return std::nullopt;
  double value = 0;
  std::from_chars(text.data() + start, text.data() + end, value, std::chars_format::fixed);
  return negative ? -value : value;
}

long long wholeNumber(double value) {
  constexpr double kLimit = 1e15;
  if (!(value > -kLimit)) return value != value ? 0 : static_cast<long long>(-kLimit);
  if (!(value < kLimit)) return static_cast<long long>(kLimit);
  return static_cast<long long>(value);
}

double numericValue(std::string_view text) { return readNumber(text).value_or(0); }

}  // namespace rt
