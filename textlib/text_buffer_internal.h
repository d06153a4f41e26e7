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
// The same mapping as a table of 256 entries.
const unsigned char* foldUpperTable();
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

// The value as a search sees it: its bytes as they are, or for a
// case-insensitive search each byte folded by the runtime's case table. The
// folding happens while comparing, so a search that stops early has not paid
// for the rest of the range. Positions are 1-based positions of the value;
// patterns are given folded.
class SearchSubject {
 public:
  SearchSubject(std::string_view value, bool fold)
      : value_(value), fold_(fold), upper_(foldUpperTable()) {}

  unsigned char byte(int position) const {
    const auto c = static_cast<unsigned char>(value_[static_cast<std::size_t>(position - 1)]);
    return fold_ ? upper_[c] : c;
  }
  bool matchesAt(int position, std::string_view pattern) const {
    if (!fold_) {
      return std::memcmp(value_.data() + position - 1, pattern.data(), pattern.size()) == 0;
    }
    for (std::size_t i = 0; i < pattern.size(); ++i) {
      if (byte(position + static_cast<int>(i)) != static_cast<unsigned char>(pattern[i])) {
        return false;
      }
    }
    return true;
  }
  // First occurrence starting within from..lastStart, or 0.
  int find(std::string_view pattern, int from, int lastStart) const {
    if (from > lastStart) return 0;
    if (!fold_) {
      const std::size_t span = static_cast<std::size_t>(lastStart - from) + pattern.size();
      const std::size_t hit =
          findBytes(value_.data() + from - 1, span, pattern.data(), pattern.size());
      return hit == std::string_view::npos ? 0 : from + static_cast<int>(hit);
    }
    const auto first = static_cast<unsigned char>(pattern[0]);
    for (int p = from; p <= lastStart; ++p) {
      if (byte(p) == first && matchesAt(p, pattern)) return p;
    }
    return 0;
  }
  // Last occurrence starting within first..lastStart, or 0.
  int findLast(std::string_view pattern, int first, int lastStart) const {
    const auto head = static_cast<unsigned char>(pattern[0]);
    for (int p = lastStart; p >= first; --p) {
      if (!fold_) {
        const void* hit =
            memrchr(value_.data() + first - 1, head, static_cast<std::size_t>(p - first + 1));
        if (hit == nullptr) return 0;
        p = first + static_cast<int>(static_cast<const char*>(hit) - (value_.data() + first - 1));
      } else if (byte(p) != head) {
        continue;
      }
      if (matchesAt(p, pattern)) return p;
    }
    return 0;
  }
  // Occurrences of one (folded) byte within first..last.
  int countByte(unsigned char c, int first, int last) const {
    int count = 0;
    for (int p = first; p <= last; ++p) count += byte(p) == c ? 1 : 0;
    return count;
  }

 private:
  std::string_view value_;
  bool fold_;
  const unsigned char* upper_;
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

// The Base64 alphabets: the standard one and the URL-safe one.
inline constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
inline constexpr char kBase64UrlAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// The value of a digit of bases up to 36 ("0"-"9", then letters of either
// case), or -1.
inline int digitValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (isAsciiLetter(c)) return (c | 0x20) - 'a' + 10;
  return -1;
}
// The value of a hexadecimal digit, or -1.
inline int hexDigitValue(unsigned char c) {
  const int v = digitValue(c);
  return v < 16 ? v : -1;
}

// The system's letter-or-digit test for a byte of the ANSI code page.
bool isSystemAlphaNumeric(unsigned char c);

}  // namespace textlib::detail
