#include "platform/base/picture_kinds.h"

namespace rt::picture_kinds {
namespace {

bool isDigitSlot(char c) { return c == '#' || c == '<'; }
bool isKeyInSlot(char c) { return c == '#' || c == '<' || c == '@' || c == '?'; }

}  // namespace

// Digits fill the digit slots from the right; "#" shows a leading zero, "<" a
// blank. A value with more digits than slots shows as "#"s.
std::string formatPattern(std::string_view digits, const Picture& p) {
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  if (digits == "0") digits = {};
  if (digits.empty() && p.blankWhenZero) return {};
  std::string out = p.pattern;
  std::size_t left = digits.size();
  for (std::size_t i = out.size(); i-- > 0;) {
    if (!isDigitSlot(out[i])) continue;
    if (left > 0) {
      out[i] = digits[--left];
    } else {
      out[i] = out[i] == '#' ? '0' : ' ';
    }
  }
  if (left > 0) return std::string(out.size(), '#');
  return out;
}

std::string deformatPattern(std::string_view text, const Picture& p) {
  std::string digits;
  const bool aligned = text.size() == p.pattern.size();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool slot = !aligned || isDigitSlot(p.pattern[i]);
    if (slot && text[i] >= '0' && text[i] <= '9') digits += text[i];
  }
  return plainDecimal(false, digits, {});
}

// The value's characters fill the slots from the left; slots past its end
// stay blank.
std::string formatKeyIn(std::string_view value, const Picture& p) {
  while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  if (value.empty() && p.blankWhenZero) return {};
  std::string out = p.pattern;
  std::size_t next = 0;
  for (char& c : out) {
    if (isKeyInSlot(c)) c = next < value.size() ? value[next++] : ' ';
  }
  return out;
}

std::string deformatKeyIn(std::string_view text, const Picture& p) {
  std::string value;
  for (std::size_t i = 0; i < text.size() && i < p.pattern.size(); ++i) {
    if (isKeyInSlot(p.pattern[i])) value += text[i];
  }
  while (!value.empty() && value.back() == ' ') value.pop_back();
  return value;
}

}  // namespace rt::picture_kinds
