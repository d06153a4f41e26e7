// TextBuffer: searching for bytes and texts, counting, and matches with a
// start and an end (plain text or regular expression).
#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/base/cp1252.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

using detail::ByteRange;
using detail::findInRange;
using detail::normalizeRange;
using detail::Pattern;
using detail::SearchSubject;

namespace {

std::string_view block(int length, const void* address) {
  if (address == nullptr || length < 1) return {};
  return {static_cast<const char*>(address), static_cast<std::size_t>(length)};
}

// First position of the byte within start..end of `hay`, or 0.
int findByteIn(std::string_view hay, unsigned char byte, int start, int end) {
  if (hay.empty()) return 0;
  const ByteRange r = normalizeRange(start, end, static_cast<int>(hay.size()));
  if (r.empty()) return 0;
  const void* hit = std::memchr(hay.data() + r.first - 1, byte, static_cast<std::size_t>(r.size()));
  return hit == nullptr ? 0 : static_cast<int>(static_cast<const char*>(hit) - hay.data()) + 1;
}

bool isWholeWord(std::string_view value, int position, int length) {
  const bool before = position > 1 && detail::isWordByte(detail::byteAt(value, position - 2));
  const int after = position + length;
  const bool behind = after <= static_cast<int>(value.size()) &&
                      detail::isWordByte(detail::byteAt(value, after - 1));
  return !before && !behind;
}

}  // namespace

// ---- Core primitives ----------------------------------------------------------

int TextBuffer::InstringRaw_(int patternLength, const void* pattern, const void* address,
                             int length) {
  if (pattern == nullptr || patternLength < 1 || address == nullptr || length < 1) return 0;
  const std::size_t hit =
      detail::findBytes(static_cast<const char*>(address), static_cast<std::size_t>(length),
                        static_cast<const char*>(pattern), static_cast<std::size_t>(patternLength));
  return hit == std::string_view::npos ? 0 : static_cast<int>(hit) + 1;
}

const char* TextBuffer::FindBlock_(int patternLength, const void* pattern, const void* fromAddress,
                                   const void* lastStartAddress) {
  const char* from = static_cast<const char*>(fromAddress);
  const char* lastStart = static_cast<const char*>(lastStartAddress);
  if (pattern == nullptr || patternLength < 1 || from == nullptr || lastStart < from) {
    return nullptr;
  }
  const std::size_t span = static_cast<std::size_t>(lastStart - from) + patternLength;
  const std::size_t hit = detail::findBytes(from, span, static_cast<const char*>(pattern),
                                            static_cast<std::size_t>(patternLength));
  return hit == std::string_view::npos ? nullptr : from + hit;
}

const char* TextBuffer::FindByteNoCase_(const void* address, int byte, int count) {
  if (address == nullptr || count < 1) return nullptr;
  const char* p = static_cast<const char*>(address);
  const auto c = static_cast<unsigned char>(byte);
  const char* found = static_cast<const char*>(std::memchr(p, c, static_cast<std::size_t>(count)));
  if (found == p || !detail::isAsciiLetter(c)) return found;
  const std::size_t before =
      found == nullptr ? static_cast<std::size_t>(count) : static_cast<std::size_t>(found - p);
  const char* other = static_cast<const char*>(std::memchr(p, c ^ 0x20, before));
  return other != nullptr ? other : found;
}

const char* TextBuffer::FindBlockNoCase_(int patternLength, const void* pattern,
                                         const void* fromAddress, const void* lastStartAddress) {
  const char* from = static_cast<const char*>(fromAddress);
  const char* lastStart = static_cast<const char*>(lastStartAddress);
  const char* pat = static_cast<const char*>(pattern);
  if (pat == nullptr || patternLength < 1 || from == nullptr || lastStart < from) return nullptr;
  const char* cur = from;
  while (cur <= lastStart) {
    const char* hit = FindByteNoCase_(cur, pat[0], static_cast<int>(lastStart - cur) + 1);
    if (hit == nullptr) return nullptr;
    if (strncasecmp(hit, pat, static_cast<std::size_t>(patternLength)) == 0 || patternLength == 1) {
      return hit;
    }
    cur = hit + 1;
  }
  return nullptr;
}

int TextBuffer::FindTerminator_(int encoding, const void* address, int maxLength) {
  if (address == nullptr) return 0;
  const char* p = static_cast<const char*>(address);
  if (encoding == 0 || encoding == 1) {
    const void* hit = std::memchr(p, 0, static_cast<std::size_t>(std::max(maxLength, 0)));
    return hit == nullptr ? maxLength : static_cast<int>(static_cast<const char*>(hit) - p);
  }
  if (encoding == 2) {
    for (int i = 0; i + 1 < maxLength; ++i) {
      if (p[i] == 0 && p[i + 1] == 0) return i;
    }
  }
  return maxLength;
}

// ---- Instring family --------------------------------------------------------

int TextBuffer::Instring(std::string_view text, int step, int start, int end, bool noCase,
                         bool wholeWord) const {
  const std::string_view value = view();
  const int m = static_cast<int>(text.size());
  if (value.empty() || m == 0) return 0;
  const ByteRange range = normalizeRange(start, end, DATAEND_);
  if (range.size() < m) return 0;
  const Pattern pattern(text, noCase);
  if (step == 1 && !pattern.fold && !wholeWord) {
    if (m == 1) return FindChar(text, range.first, range.last);
    return findInRange(value, text, range.first, range.last);
  }
  const SearchSubject subject(value, pattern.fold);
  const int lastStart = range.last - m + 1;
  auto accept = [&](int p) { return !wholeWord || isWholeWord(value, p, m); };
  if (step == 0) {
    return subject.matchesAt(range.first, pattern.text) && accept(range.first) ? range.first : 0;
  }
  if (step > 0) {
    for (long long from = range.first; from <= lastStart;) {
      int p = 0;
      if (step == 1) {
        p = subject.find(pattern.text, static_cast<int>(from), lastStart);
      } else {
        for (long long q = from; q <= lastStart; q += step) {
          if (subject.matchesAt(static_cast<int>(q), pattern.text)) {
            p = static_cast<int>(q);
            break;
          }
        }
      }
      if (p == 0) return 0;
      if (accept(p)) return p;
      from = static_cast<long long>(p) + step;
    }
    return 0;
  }
  const long long back = -static_cast<long long>(step);
  for (long long q = lastStart; q >= range.first; q -= back) {
    if (subject.matchesAt(static_cast<int>(q), pattern.text) && accept(static_cast<int>(q))) {
      return static_cast<int>(q);
    }
  }
  return 0;
}

int TextBuffer::Instring(int length, const void* address, int step, int start, int end) const {
  return Instring(block(length, address), step, start, end);
}

int TextBuffer::InstringValue_(std::string_view text) const {
  return InstringRaw_(static_cast<int>(text.size()), text.data(), VALUE.address, DATAEND_);
}

int TextBuffer::InstringValue_(int length, const void* address) const {
  return InstringRaw_(length, address, VALUE.address, DATAEND_);
}

int TextBuffer::InstringFrom(std::string_view text, int start) const {
  return InstringRange(text, start, 0);
}

int TextBuffer::InstringFrom(int length, const void* address, int start) const {
  return InstringRange(block(length, address), start, 0);
}

int TextBuffer::InstringRange(std::string_view text, int start, int end) const {
  const ByteRange range = normalizeRange(start, end, DATAEND_);
  return findInRange(view(), text, range.first, range.last);
}

int TextBuffer::InstringRange(int length, const void* address, int start, int end) const {
  return InstringRange(block(length, address), start, end);
}

int TextBuffer::InstringBlock(std::string_view text, int start, int end, int blockLength,
                              const void* blockAddress) {
  return InstringText(text, block(blockLength, blockAddress), start, end);
}

int TextBuffer::InstringBlock(int length, const void* address, int start, int end, int blockLength,
                              const void* blockAddress) {
  return InstringText(block(length, address), block(blockLength, blockAddress), start, end);
}

int TextBuffer::InstringText(std::string_view pattern, std::string_view text, int start, int end) {
  if (text.empty()) return 0;
  const ByteRange range = normalizeRange(start, end, static_cast<int>(text.size()));
  return findInRange(text, pattern, range.first, range.last);
}

int TextBuffer::InstringLast(std::string_view text, int start, int end, bool noCase) const {
  return Instring(text, -1, start, end, noCase, false);
}

int TextBuffer::InstringNth(std::string_view text, int n, int start, int end, bool noCase) const {
  const int m = static_cast<int>(text.size());
  if (m == 0 || n == 0 || DATAEND_ == 0) return 0;
  const ByteRange range = normalizeRange(start, end, DATAEND_);
  const long long wanted = n < 0 ? -static_cast<long long>(n) : n;
  if (range.size() < static_cast<long long>(m) * wanted) return 0;
  if (n == -1) return InstringLast(text, start, end, noCase);
  const Pattern pattern(text, noCase);
  const SearchSubject subject(view(), pattern.fold);
  if (n > 0) {
    int from = range.first;
    for (long long k = 1;; ++k) {
      const int p = subject.find(pattern.text, from, range.last - m + 1);
      if (p == 0) return 0;
      if (k == wanted) return p;
      from = p + m;
    }
  }
  // From the end: each occurrence ends before the previous one begins.
  int last = range.last;
  for (long long k = 1;; ++k) {
    const int p = subject.findLast(pattern.text, range.first, last - m + 1);
    if (p == 0) return 0;
    if (k == wanted) return p;
    last = p - 1;
  }
}

// ---- Single bytes -----------------------------------------------------------

int TextBuffer::FindChar(std::string_view text, int start, int end) const {
  if (text.empty()) return 0;
  return findByteIn(view(), detail::byteAt(text, 0), start, end);
}

int TextBuffer::FindChar(std::string_view charText, std::string_view text, int start, int end) {
  if (charText.empty()) return 0;
  return findByteIn(text, detail::byteAt(charText, 0), start, end);
}

int TextBuffer::FindChar(std::string_view charText, int start, int end, int blockLength,
                         const void* blockAddress) {
  return FindChar(charText, block(blockLength, blockAddress), start, end);
}

int TextBuffer::FindByte(int byte, int start, int end) const {
  return findByteIn(view(), static_cast<unsigned char>(byte), start, end);
}

int TextBuffer::FindByte(int byte, std::string_view text, int start, int end) {
  return findByteIn(text, static_cast<unsigned char>(byte), start, end);
}

int TextBuffer::FindByte(int byte, int start, int end, int blockLength, const void* blockAddress) {
  return findByteIn(block(blockLength, blockAddress), static_cast<unsigned char>(byte), start, end);
}

int TextBuffer::CountByte(int byte, int start, int end) const {
  if (DATAEND_ == 0) return 0;
  const ByteRange range = normalizeRange(start, end, DATAEND_);
  if (range.empty()) return 0;
  const char* from = VALUE.address + range.first - 1;
  return static_cast<int>(std::count(from, from + range.size(), static_cast<char>(byte)));
}

// ---- Counting -------------------------------------------------------------

int TextBuffer::Count(std::string_view text, int step, int start, int end, bool noCase,
                      bool endIsLastStart, bool overlap) const {
  const int m = static_cast<int>(text.size());
  if (DATAEND_ == 0 || m == 0) return 0;
  if (start < 1) start = 1;
  if (step < 1) step = 1;
  if (end < 1 || end > DATAEND_) {
    end = DATAEND_;
  } else if (endIsLastStart && m > 1) {
    end = static_cast<int>(std::min<long long>(DATAEND_, static_cast<long long>(end) + m - 1));
  }
  const ByteRange range{start, end};
  if (range.size() < m) return 0;
  const Pattern pattern(text, noCase);
  if (m == 1 && step == 1 && !pattern.fold) return CountByte(detail::byteAt(text, 0), start, end);
  const SearchSubject subject(view(), pattern.fold);
  if (m == 1 && step == 1) {
    return subject.countByte(static_cast<unsigned char>(pattern.text[0]), range.first, range.last);
  }
  int advance = m;
  if (m == 1) {
    advance = 1;
  } else if (overlap) {
    const std::size_t again = pattern.text.find(pattern.text[0], 1);
    advance = again == std::string::npos ? m : static_cast<int>(again);
  }
  if (advance < step) {
    advance = step;
  } else if (advance % step != 0) {
    advance = (advance / step + 1) * step;
  }
  const int lastStart = range.last - m + 1;
  int count = 0;
  for (int from = range.first; from <= lastStart;) {
    int p = 0;
    if (step == 1) {
      p = subject.find(pattern.text, from, lastStart);
    } else {
      for (long long q = from; q <= lastStart; q += step) {
        if (subject.matchesAt(static_cast<int>(q), pattern.text)) {
          p = static_cast<int>(q);
          break;
        }
      }
    }
    if (p == 0) break;
    ++count;
    if (p > lastStart - advance) break;
    from = p + advance;
  }
  return count;
}

// ---- Matches ----------------------------------------------------------------

namespace {

icu::UnicodeString toUnicode(std::string_view text) {
  icu::UnicodeString out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    out.append(static_cast<UChar>(rt::cp1252ToCodePoint(detail::byteAt(text, i))));
  }
  return out;
}

// The first regular-expression match in first..last (1-based) of the value,
// as the position where it begins and the smallest end position whose range
// from there holds a match. False when there is none or the expression is
// not valid.
bool findRegex(std::string_view value, std::string_view expression, bool noCase, int first,
               int last, int& matchStart, int& matchEnd) {
  UErrorCode status = U_ZERO_ERROR;
  UParseError parseError;
  const std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(
      toUnicode(expression), noCase ? UREGEX_CASE_INSENSITIVE : 0, parseError, status));
  if (U_FAILURE(status)) return false;
  const icu::UnicodeString subject = toUnicode(value);
  const std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(subject, status));
  if (U_FAILURE(status)) return false;
  // The matcher keeps its backtracking state on the heap; allow it room in
  // proportion to the text so long repetitions still match.
  constexpr long long kMinimumStack = 8LL << 20;
  constexpr long long kMaximumStack = 512LL << 20;
  matcher->setStackLimit(
      static_cast<int32_t>(std::clamp(48LL * (last - first + 1), kMinimumStack, kMaximumStack)),
      status);
  matcher->region(first - 1, last, status);
  if (U_FAILURE(status) || !matcher->find(status) || U_FAILURE(status)) return false;
  const int s = matcher->start(status) + 1;
  const int foundEnd = matcher->end(status);  // exclusive offset = last 1-based position
  if (U_FAILURE(status)) return false;
  if (s > last) return false;  // an empty match behind the range
  const int bound = std::max(s, std::min(last, foundEnd));
  matchStart = s;
  auto holdsMatch = [&](int e) {
    UErrorCode regionStatus = U_ZERO_ERROR;
    matcher->region(s - 1, e, regionStatus);
    return U_SUCCESS(regionStatus) && matcher->find(regionStatus) && U_SUCCESS(regionStatus);
  };
  // Short matches are measured position by position; long ones by halving,
  // which holds for every expression whose matches do not depend on where
  // the searched range ends. A probe that would take too long (some
  // expressions search a range without a match in quadratic time) counts as
  // finding nothing: the end found first always holds a match.
  constexpr int kLinearLimit = 64;
  constexpr int32_t kProbeTimeLimit = 20;
  matcher->setTimeLimit(kProbeTimeLimit, status);
  int low = s;
  int high = bound;
  if (high - low <= kLinearLimit) {
    while (low < high && !holdsMatch(low)) ++low;
  } else {
    while (low < high) {
      const int middle = low + (high - low) / 2;
      if (holdsMatch(middle)) {
        high = middle;
      } else {
        low = middle + 1;
      }
    }
  }
  matchEnd = low;
  return true;
}

}  // namespace

void TextBuffer::FindMatch_(std::string_view text, int& start, int& end, int mode,
                            bool noCase) const {
  const ByteRange range = normalizeRange(start, end, DATAEND_);
  if (range.empty() || (mode != 0 && mode != 2)) {
    start = end = 0;
    return;
  }
  if (mode == 0) {
    const int p = noCase ? Instring(text, 1, range.first, range.last, true, false)
                         : findInRange(view(), text, range.first, range.last);
    start = p;
    end = p == 0 ? 0 : p + static_cast<int>(text.size()) - 1;
    return;
  }
  int s = 0;
  int e = 0;
  if (!findRegex(view(), text, noCase, range.first, range.last, s, e)) s = e = 0;
  start = s;
  end = e;
}

std::string TextBuffer::FindMatch(std::string_view text, int& start, int& end, int mode,
                                  bool noCase) const {
  FindMatch_(text, start, end, mode, noCase);
  if (start == 0 || end < start) return {};
  return std::string(view().substr(static_cast<std::size_t>(start - 1),
                                   static_cast<std::size_t>(end - start + 1)));
}

int TextBuffer::FindMatchPosition(std::string_view text, int start, int end, int mode,
                                  bool noCase) const {
  FindMatch_(text, start, end, mode, noCase);
  return start;
}

}  // namespace textlib
