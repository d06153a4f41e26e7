#pragma once
// Helpers shared by the source files of TextBuffer: range normalisation, the
// byte search primitives and the runtime's single-byte case folding.
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace textlib::detail {

constexpr char kBlank = ' ';

// A normalised inclusive range of 1-based positions.
struct ByteRange {
  int first = 1;
  int last = 0;
  int size() const { return last < first ? 0 : last - first + 1; }
  bool empty() const { return last < first; }
};

// The one place where the class's range conventions live: a start below 1
// counts as 1; an end of 0, below 1 or beyond the length counts as the length.
inline ByteRange normalizeRange(int start, int end, int length) {
  ByteRange r;
  r.first = start < 1 ? 1 : start;
  r.last = (end < 1 || end > length) ? length : end;
  return r;
}

inline std::string_view clipView(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && text[n - 1] == kBlank) --n;
  return text.substr(0, n);
}

inline unsigned char byteAt(std::string_view text, std::size_t i) {
  return static_cast<unsigned char>(text[i]);
}

// The runtime's single-byte upper-case mapping, as a table for hot loops.
unsigned char foldUpper(unsigned char c);
std::string upperCopy(std::string_view text);
// True when the text changes under the runtime's case mapping (it holds
// letters); a text without letters can be searched case-sensitively.
bool hasLetters(std::string_view text);

// Word bytes of whole-word matching: A-Z, a-z and 0-9.
inline bool isWordByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}
inline bool isAsciiLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// 0-based offset of the first occurrence of the pattern, or npos. An empty
// pattern is never found.
std::size_t findBytes(const char* data, std::size_t length, const char* pattern,
                      std::size_t patternLength);
inline std::size_t findBytes(std::string_view hay, std::string_view pattern) {
  return findBytes(hay.data(), hay.size(), pattern.data(), pattern.size());
}

// First occurrence of the pattern lying wholly within the 1-based range
// first..last of `hay`; its position or 0.
int findInRange(std::string_view hay, std::string_view pattern, int first, int last);

// The searched text as the search sees it: the value itself, or for a
// case-insensitive search an upper-cased copy of the range (indexed by the
// same positions).
class SearchSubject {
 public:
  SearchSubject(std::string_view value, const ByteRange& range, bool fold) : value_(value) {
    if (fold) {
      fold_ = true;
      folded_ = upperCopy(value.substr(static_cast<std::size_t>(range.first - 1),
                                       static_cast<std::size_t>(range.size())));
      offset_ = range.first - 1;
    }
  }
  // Pointer to the byte at a 1-based position of the value.
  const char* at(int position) const {
    return fold_ ? folded_.data() + position - 1 - offset_ : value_.data() + position - 1;
  }
  bool matchesAt(int position, std::string_view pattern) const {
    return std::memcmp(at(position), pattern.data(), pattern.size()) == 0;
  }
  // First occurrence starting within from..lastStart (1-based), or 0.
  int find(std::string_view pattern, int from, int lastStart) const {
    if (from > lastStart) return 0;
    const std::size_t span = static_cast<std::size_t>(lastStart - from) + pattern.size();
    const std::size_t hit = findBytes(at(from), span, pattern.data(), pattern.size());
    return hit == std::string_view::npos ? 0 : from + static_cast<int>(hit);
  }
  // Last occurrence starting within first..lastStart, or 0.
  int findLast(std::string_view pattern, int first, int lastStart) const {
    for (int p = lastStart; p >= first; --p) {
      const char* hit = static_cast<const char*>(
          memrchr(at(first), pattern[0], static_cast<std::size_t>(p - first + 1)));
      if (hit == nullptr) return 0;
      p = first + static_cast<int>(hit - at(first));
      if (matchesAt(p, pattern)) return p;
    }
    return 0;
  }

 private:
  std::string_view value_;
  bool fold_ = false;
  std::string folded_;
  int offset_ = 0;
};

// The case-folded pattern and whether folding is still needed: a pattern
// without letters is searched as it is.
struct Pattern {
  std::string text;
  bool fold = false;
  Pattern(std::string_view raw, bool noCase) {
    fold = noCase && hasLetters(raw);
    text = fold ? upperCopy(raw) : std::string(raw);
  }
};

// The system's letter-or-digit test for a byte of the ANSI code page.
bool isSystemAlphaNumeric(unsigned char c);

}  // namespace textlib::detail
