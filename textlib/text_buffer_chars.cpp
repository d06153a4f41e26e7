// TextBuffer: keeping, removing and replacing the bytes of an alphabet, and
// the character-class tests.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

using detail::ByteRange;
using detail::normalizeRange;

namespace {

constexpr int kMapSize = 256;

// A 256-entry map with 1 for every byte of the alphabet.
std::string mapOf(std::string_view alphabet) {
  std::string map(kMapSize, '\0');
  for (char c : alphabet) map[static_cast<unsigned char>(c)] = 1;
  return map;
}

std::string inverted(std::string map) {
  for (char& entry : map) entry = entry ? 0 : 1;
  return map;
}

bool isRangeAlphabet(std::string_view alphabet) {
  return alphabet.size() > 2 && alphabet.find('-') != std::string_view::npos;
}

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

template <typename Test>
bool allInRange(std::string_view value, int start, int end, Test test) {
  const ByteRange r = normalizeRange(start, end, static_cast<int>(value.size()));
  for (int p = r.first; p <= r.last; ++p) {
    if (!test(detail::byteAt(value, static_cast<std::size_t>(p - 1)))) return false;
  }
  return true;
}

bool isLowerAscii(unsigned char c) { return c >= 'a' && c <= 'z'; }
bool isUpperAscii(unsigned char c) { return c >= 'A' && c <= 'Z'; }
bool isDigitAscii(unsigned char c) { return c >= '0' && c <= '9'; }

}  // namespace

// ---- Keeping and removing -------------------------------------------------------

int TextBuffer::KeepChars(std::string_view alphabet) {
  if (DATAEND_ == 0) return 0;
  const int length = DATAEND_;
  if (alphabet.empty()) {
    SetEmpty();
    return length;
  }
  if (alphabet.size() == 1) {
    const int n = CountByte(detail::byteAt(alphabet, 0));
    if (n != length) {
      if (n == 0) {
        SetEmpty();
      } else {
        shrinkTo(n);
        std::memset(VALUE.address, alphabet[0], static_cast<std::size_t>(n));
      }
    }
    return length - n;
  }
  return _removeMatchingChars(inverted(mapOf(alphabet)));
}

int TextBuffer::KeepChars(std::string_view alphabet, std::string_view replacement) {
  if (replacement.empty()) return KeepChars(alphabet);
  if (DATAEND_ == 0) return 0;
  std::string map = inverted(mapOf(alphabet));
  return _replaceMatchingChars(map, detail::byteAt(replacement, 0));
}

int TextBuffer::RemoveChars(std::string_view alphabet) {
  if (alphabet.empty() || DATAEND_ == 0) return 0;
  if (alphabet.size() == 1) return RemoveByte(detail::byteAt(alphabet, 0));
  return _removeMatchingChars(mapOf(alphabet));
}

int TextBuffer::RemoveChars(std::string_view alphabet, std::string_view replacement) {
  if (alphabet.empty() || DATAEND_ == 0) return 0;
  if (replacement.empty()) return RemoveChars(alphabet);
  const unsigned char r = detail::byteAt(replacement, 0);
  if (alphabet.size() == 1) {
    return detail::byteAt(alphabet, 0) == r ? 0 : ReplaceChar(detail::byteAt(alphabet, 0), r);
  }
  std::string map = mapOf(alphabet);
  return _replaceMatchingChars(map, r);
}

int TextBuffer::KeepCharRanges(std::string_view alphabet) {
  if (isRangeAlphabet(alphabet)) return ProcessCharRanges_(alphabet, {}, false, true);
  return KeepChars(alphabet);
}

int TextBuffer::KeepCharRanges(std::string_view alphabet, std::string_view replacement) {
  if (isRangeAlphabet(alphabet)) return ProcessCharRanges_(alphabet, replacement, false, false);
  return KeepChars(alphabet, replacement);
}

int TextBuffer::RemoveCharRanges(std::string_view alphabet) {
  if (alphabet.empty()) return 0;
  if (isRangeAlphabet(alphabet)) return ProcessCharRanges_(alphabet, {}, true, true);
  return RemoveChars(alphabet);
}

int TextBuffer::RemoveCharRanges(std::string_view alphabet, std::string_view replacement) {
  if (alphabet.empty()) return 0;
  if (alphabet.size() == 1) return RemoveChars(alphabet, replacement);
  if (isRangeAlphabet(alphabet)) return ProcessCharRanges_(alphabet, replacement, true, false);
  return RemoveChars(alphabet, replacement);
}

int TextBuffer::KeepAllowedChars(std::string_view alphabet, std::string_view replacement,
                                 bool withAlphanumeric) {
  if (!withAlphanumeric) return KeepChars(alphabet, replacement);
  if (DATAEND_ == 0) return 0;
  std::string map = inverted(mapOf(alphabet));
  for (int b = 0; b < kMapSize; ++b) {
    if (detail::isSystemAlphaNumeric(static_cast<unsigned char>(b))) map[b] = 0;
  }
  if (replacement.empty()) return _removeMatchingChars(map);
  return _replaceMatchingChars(map, detail::byteAt(replacement, 0));
}

int TextBuffer::KeepAllowedCharsOf(std::string_view alphabet, std::string_view replacement,
                                   bool withAlphanumeric, std::span<char> variable) {
  const std::string_view text =
      detail::clipView(std::string_view(variable.data(), variable.size()));
  if (text.empty()) return 0;
  TextBuffer temp;
  temp.SetValue(text);
  const int result = temp.KeepAllowedChars(alphabet, replacement, withAlphanumeric);
  const std::string_view kept = temp.view();
  std::memcpy(variable.data(), kept.data(), kept.size());
  std::memset(variable.data() + kept.size(), ' ', variable.size() - kept.size());
  return result;
}

// The alphabet names single bytes and ranges such as 'a-z'; a dash is literal
// first, last, or written three times ('---'), or as 'c---' (c and a dash).
int TextBuffer::ProcessCharRanges_(std::string_view alphabet, std::string_view replacement,
                                   bool removeListed, bool noReplacement) {
  if (DATAEND_ == 0 || alphabet.empty()) return 0;
  const int length = static_cast<int>(alphabet.size());
  std::string map(kMapSize, removeListed ? '\0' : '\1');
  const char named = removeListed ? 1 : 0;
  auto at = [&](int i) { return alphabet[static_cast<std::size_t>(i - 1)]; };
  int i = 1;
  while (i < length) {
    const char c = at(i);
    const char next = at(i + 1);
    if (c == '-' && next != '-') {
      if (i != 1) {
        RecordError("_ProcessCharRanges",
                    "INVALID alphabet parameter : " + quoted("-") + " character at position " +
                        std::to_string(i) + " in " + quoted(alphabet),
                    true);
        return 0;
      }
      map[static_cast<unsigned char>('-')] = named;
      i += 1;
    } else if (c == '-' && i < length - 1 && at(i + 2) == '-') {
      map[static_cast<unsigned char>('-')] = named;
      i += 3;
    } else if (next != '-' || i == length - 1) {
      map[static_cast<unsigned char>(c)] = named;
      i += 1;
    } else if (i < length - 2 && at(i + 2) == '-' && at(i + 3) == '-') {
      map[static_cast<unsigned char>(c)] = named;
      map[static_cast<unsigned char>('-')] = named;
      i += 4;
    } else {
      const char d = at(i + 2);
      if (static_cast<unsigned char>(d) < static_cast<unsigned char>(c)) {
        RecordError("_ProcessCharRanges",
                    "INVALID range in alphabet parameter : chars " +
                        quoted(std::string{c, '-', d}) + " in " + quoted(alphabet),
                    true);
        return 0;
      }
      for (int b = static_cast<unsigned char>(c); b <= static_cast<unsigned char>(d); ++b) {
        map[b] = named;
      }
      i += 3;
    }
  }
  map[static_cast<unsigned char>(alphabet.back())] = named;
  if (noReplacement || replacement.empty()) return _removeMatchingChars(map);
  return _replaceMatchingChars(map, detail::byteAt(replacement, 0));
}

// ---- Tests -----------------------------------------------------------------------

bool TextBuffer::ContainsOnly(std::string_view alphabet, std::string_view text,
                              bool clipAlphabet) const {
  if (clipAlphabet) alphabet = detail::clipView(alphabet);
  const std::string_view subject = text.empty() ? view() : text;
  if (alphabet.empty() || subject.empty()) return false;
  const std::string map = mapOf(alphabet);
  return std::all_of(subject.begin(), subject.end(),
                     [&](char c) { return map[static_cast<unsigned char>(c)] != 0; });
}

bool TextBuffer::ContainsAny(std::string_view alphabet, std::string_view text,
                             bool clipAlphabet) const {
  if (clipAlphabet) alphabet = detail::clipView(alphabet);
  const std::string_view subject = text.empty() ? view() : text;
  if (alphabet.empty() || subject.empty()) return false;
  const std::string map = mapOf(alphabet);
  return std::any_of(subject.begin(), subject.end(),
                     [&](char c) { return map[static_cast<unsigned char>(c)] != 0; });
}

bool TextBuffer::ContainsChar(std::string_view charText) const {
  return !charText.empty() && ContainsChar(detail::byteAt(charText, 0));
}

bool TextBuffer::ContainsChar(int byte) const { return ContainsChar(byte, view()); }

bool TextBuffer::ContainsChar(std::string_view charText, std::string_view text) {
  return !charText.empty() && ContainsChar(detail::byteAt(charText, 0), text);
}

bool TextBuffer::ContainsChar(int byte, std::string_view text) {
  return !text.empty() && std::memchr(text.data(), static_cast<unsigned char>(byte), text.size());
}

bool TextBuffer::ContainsChar(std::string_view charText, int length, const void* address) {
  if (address == nullptr || length < 1) return false;
  return ContainsChar(charText, std::string_view(static_cast<const char*>(address),
                                                 static_cast<std::size_t>(length)));
}

bool TextBuffer::ContainsChar(int byte, int length, const void* address) {
  if (address == nullptr || length < 1) return false;
  return ContainsChar(
      byte, std::string_view(static_cast<const char*>(address), static_cast<std::size_t>(length)));
}

bool TextBuffer::IsAscii(int start, int end) const {
  return allInRange(view(), start, end, [](unsigned char c) { return c < 128; });
}

bool TextBuffer::IsLower(int start, int end) const {
  return allInRange(view(), start, end, isLowerAscii);
}

bool TextBuffer::HasNoUpper(int start, int end) const {
  return allInRange(view(), start, end, [](unsigned char c) { return !isUpperAscii(c); });
}

bool TextBuffer::IsUpper(int start, int end) const {
  return allInRange(view(), start, end, isUpperAscii);
}

bool TextBuffer::HasNoLower(int start, int end) const {
  return allInRange(view(), start, end, [](unsigned char c) { return !isLowerAscii(c); });
}

bool TextBuffer::IsDigits(int start, int end) const {
  return allInRange(view(), start, end, isDigitAscii);
}

bool TextBuffer::IsBlank(int start, int end) const {
  return allInRange(view(), start, end, [](unsigned char c) { return c == ' '; });
}

bool TextBuffer::IsDigitAt(int position) const {
  if (position < 1 || position > DATAEND_) return false;
  return isDigitAscii(static_cast<unsigned char>(VALUE.address[position - 1]));
}

bool TextBuffer::ContainsDigit() const {
  const std::string_view v = view();
  return std::any_of(v.begin(), v.end(),
                     [](char c) { return isDigitAscii(static_cast<unsigned char>(c)); });
}

}  // namespace textlib
