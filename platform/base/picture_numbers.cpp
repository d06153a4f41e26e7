#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/base/number_text.h"
#include "platform/base/picture_kinds.h"

namespace rt::picture_kinds {
namespace {

std::string grouped(const std::string& digits, char mark) {
  if (!mark) return digits;
  std::string out;
  out.reserve(digits.size() + digits.size() / 3);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += mark;
    out += digits[i];
  }
  return out;
}

// Right-justified in the picture's width, "#"s when it does not fit.
std::string fitWidth(std::string text, int width) {
  if (width < 0) return text;
  const std::size_t w = static_cast<std::size_t>(width);
  if (text.size() > w) return std::string(w, '#');
  return std::string(w - text.size(), ' ') + text;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string plainDecimal(bool negative, std::string_view integer, std::string_view fraction) {
  while (!integer.empty() && integer.front() == '0') integer.remove_prefix(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  if (integer.empty() && fraction.empty()) return "0";
  std::string out = negative ? "-" : "";
  out += integer.empty() ? std::string_view("0") : integer;
  if (!fraction.empty()) {
    out += '.';
    out += fraction;
  }
  return out;
}

std::string formatNumber(double value, const Picture& p) {
  const DecimalDigits d = roundedDigits(value, p.places);
  const bool zero = d.integer.find_first_not_of('0') == std::string::npos &&
                    d.fraction.find_first_not_of('0') == std::string::npos;
  if (zero && p.blankWhenZero) return {};
  std::string digits = grouped(d.integer, p.grouping);
  if (p.places > 0) {
    if (!p.impliedDecimals) digits += p.decimalMark;
    digits += d.fraction;
  }
  // A negative number always shows its sign; a picture without one gets "-".
  std::string prefix = p.currencyBefore;
  std::string suffix;
  if (d.negative) {
    if (p.signBefore) prefix += p.signBefore;
    if (p.signAfter) suffix += p.signAfter;
    if (!p.signBefore && !p.signAfter) prefix += '-';
  } else if (p.signAfter) {
    suffix += ' ';  // keeps the digits aligned with the negative rows
  }
  suffix += p.currencyAfter;
  const std::size_t used = prefix.size() + digits.size() + suffix.size();
  if (p.fill && p.size >= 0 && used < static_cast<std::size_t>(p.size)) {
    const char fillChar = p.fill == '_' ? ' ' : p.fill;
    digits.insert(0, static_cast<std::size_t>(p.size) - used, fillChar);
  }
  return fitWidth(prefix + digits + suffix, p.size);
}

std::string deformatNumber(std::string_view text, const Picture& p) {
  // With "." both grouping and decimal mark, only the last one marks decimals.
  std::size_t markAt = std::string_view::npos;
  if (!p.impliedDecimals) {
    markAt = p.grouping == p.decimalMark
                 ? (p.places > 0 ? text.rfind(p.decimalMark) : std::string_view::npos)
                 : text.find(p.decimalMark);
  }
  bool negative = false;
  std::string integer;
  std::string fraction;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '-' || c == '(') negative = true;
    if (!isDigit(c)) continue;
    (markAt != std::string_view::npos && i > markAt ? fraction : integer) += c;
  }
  if (p.impliedDecimals && p.places > 0) {
    const std::size_t places = static_cast<std::size_t>(p.places);
    if (integer.size() < places) integer.insert(0, places - integer.size(), '0');
    fraction = integer.substr(integer.size() - places);
    integer.resize(integer.size() - places);
  }
  return plainDecimal(negative, integer, fraction);
}

std::string formatScientific(double value, const Picture& p) {
  if (!std::isfinite(value)) value = 0;
  if (value == 0 && p.blankWhenZero) return {};
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*e", p.places, value);
  std::string text = buffer;
  // Exponents are written with a sign and at least three digits: 1.5e+003.
  const std::size_t e = text.find('e');
  std::string exponent = text.substr(e + 2);
  while (exponent.size() < 3) exponent.insert(exponent.begin(), '0');
  text = text.substr(0, e + 2) + exponent;
  if (p.decimalMark != '.') {
    const std::size_t dot = text.find('.');
    if (dot != std::string::npos) text[dot] = p.decimalMark;
  }
  return fitWidth(text, p.size);
}

std::string deformatScientific(std::string_view text, const Picture& p) {
  std::string plain;
  for (const char c : text) {
    if (c == p.decimalMark) {
      plain += '.';
    } else if (isDigit(c) || c == '-' || c == '+' || c == 'e' || c == 'E') {
      plain += c;
    }
  }
  return numberText(std::strtod(plain.c_str(), nullptr));
}

}  // namespace rt::picture_kinds
