// TextBuffer: replacing texts, slices, single bytes and byte maps in place.
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/base/text_order.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

using detail::ByteRange;
using detail::normalizeRange;
using detail::Pattern;
using detail::SearchSubject;

namespace {

constexpr int kMapSize = 256;

// Replacements grow by the growth policy: USEBUFFER is on while they run;
// an object without spare room gets its exact allocation back afterwards.
class UseBufferDuringReplace {
 public:
  explicit UseBufferDuringReplace(TextBuffer& buffer) : buffer_(buffer), was_(buffer.USEBUFFER) {
    buffer_.USEBUFFER = 1;
  }
  ~UseBufferDuringReplace() {
    if (!was_) {
      buffer_.USEBUFFER = 0;
      buffer_.SetLength(buffer_.DATAEND_, false);
    }
  }

 private:
  TextBuffer& buffer_;
  std::uint8_t was_;
};

// The texts of a replacement inside or outside delimited blocks, copied
// because they may be part of the value that the replacement changes. The
// end delimiter defaults to the start delimiter.
struct BlockTexts {
  std::string open;
  std::string close;
  std::string oldText;
  std::string newText;
  BlockTexts(std::string_view startDelimiter, std::string_view endDelimiter,
             std::string_view oldText, std::string_view newText)
      : open(startDelimiter),
        close(endDelimiter.empty() ? startDelimiter : endDelimiter),
        oldText(oldText),
        newText(newText) {}
};

}  // namespace

// ---- One pass ---------------------------------------------------------------

int TextBuffer::Replace_(std::string_view oldText, std::string_view newText, int count, int start,
                         int end, bool noCase) {
  const int m = static_cast<int>(oldText.size());
  const int k = static_cast<int>(newText.size());
  if (m == 0 || count < 0 || DATAEND_ == 0) return 0;
  ByteRange range = normalizeRange(start, end, DATAEND_);
  if (static_cast<long long>(range.first) + m - 1 > range.last) return 0;
  // Either text may be part of this value, which the replacement changes.
  const std::string oldCopy(oldText);
  const std::string newCopy(newText);
  Pattern pattern(oldCopy, noCase);
  if (!pattern.fold) {
    const int first = detail::findInRange(view(), oldCopy, range.first, range.last);
    if (first == 0) return 0;
    range.first = first;
  }
  UseBufferDuringReplace useBuffer(*this);
  const int limit = count;  // 0 = all
  int done = 0;
  auto more = [&] { return limit == 0 || done < limit; };

  if (k > m) {
    // Rebuild: set the part behind the first occurrence aside, cut the value
    // there and append the pieces.
    const SearchSubject firstSubject(view(), pattern.fold);
    const int p = firstSubject.find(pattern.text, range.first, range.last - m + 1);
    if (p == 0) return 0;
    const int tailLength = DATAEND_ - (p + m - 1);
    char* tail = nullptr;
    if (tailLength > 0) {
      tail = static_cast<char*>(std::malloc(static_cast<std::size_t>(tailLength)));
      if (tail == nullptr) {
        RecordError(
            "Replace",
            "Memory allocation failed trying to get " + std::to_string(tailLength) + " bytes.",
            true);
        return 0;
      }
      std::memcpy(tail, VALUE.address + p + m - 1, static_cast<std::size_t>(tailLength));
    }
    SetLength(p - 1, false);
    AppendRaw_(newCopy.data(), k);
    done = 1;
    if (tailLength > 0) {
      const int inRange = range.last - (p + m - 1);
      const std::string_view tailView(tail, static_cast<std::size_t>(tailLength));
      const std::string folded =
          pattern.fold ? detail::upperCopy(tailView.substr(0, static_cast<std::size_t>(inRange)))
                       : std::string();
      const char* scan = pattern.fold ? folded.data() : tail;
      int pos = 0;
      while (more() && pos + m <= inRange) {
        const std::size_t q = detail::findBytes(scan + pos, static_cast<std::size_t>(inRange - pos),
                                                pattern.text.data(), pattern.text.size());
        if (q == std::string_view::npos) break;
        AppendRaw_(tail + pos, static_cast<int>(q));
        AppendRaw_(newCopy.data(), k);
        ++done;
        pos += static_cast<int>(q) + m;
      }
      AppendRaw_(tail + pos, tailLength - pos);
      std::free(tail);
    }
    return done;
  }

  if (k == m) {
    std::string target = pattern.text;
    bool fold = pattern.fold;
    if (fold && m == 1) {
      // The same letter in the other case: only the bytes that differ from
      // the new text change.
      const char upper = pattern.text[0];
      const char lower = rt::lowerChar(upper);
      if (newCopy[0] == upper || newCopy[0] == lower) {
        target.assign(1, newCopy[0] == upper ? lower : upper);
        fold = false;
      }
    } else if (!fold && oldCopy == newCopy) {
      return 0;
    }
    const SearchSubject subject(view(), fold);
    const int lastStart = range.last - m + 1;
    for (int from = range.first; more() && from <= lastStart;) {
      const int p = subject.find(target, from, lastStart);
      if (p == 0) break;
      std::memcpy(VALUE.address + p - 1, newCopy.data(), static_cast<std::size_t>(k));
      ++done;
      from = p + m;
    }
    return done;
  }

  // Shorter: close up as we go, each byte moving at most once.
  const SearchSubject subject(view(), pattern.fold);
  const int lastStart = range.last - m + 1;
  char* v = VALUE.address;
  int write = range.first - 1;  // 0-based
  int read = range.first - 1;
  for (int from = range.first; more() && from <= lastStart;) {
    const int p = subject.find(pattern.text, from, lastStart);
    if (p == 0) break;
    const int gap = p - 1 - read;
    if (write != read) std::memmove(v + write, v + read, static_cast<std::size_t>(gap));
    write += gap;
    std::memcpy(v + write, newCopy.data(), static_cast<std::size_t>(k));
    write += k;
    read = p - 1 + m;
    ++done;
    from = p + m;
  }
  if (done == 0) return 0;
  std::memmove(v + write, v + read, static_cast<std::size_t>(DATAEND_ - read));
  shrinkTo(DATAEND_ - (read - write));
  return done;
}

int TextBuffer::Replace(std::string_view oldText, std::string_view newText, int count, int start,
                        int end, bool noCase, bool recursive) {
  if (!recursive) return Replace_(oldText, newText, count, start, end, noCase);
  if (oldText.empty() || count < 0) return 0;
  if (count == 0) {
    const bool contained =
        noCase ? detail::upperCopy(newText).find(detail::upperCopy(oldText)) != std::string::npos
               : newText.find(oldText) != std::string_view::npos;
    if (contained) {
      RecordError("Replace",
                  "Invalid recursive replacement - the value being replaced is a substring of the "
                  "new value. This will result in an infinite loop",
                  true);
      return 0;
    }
  }
  const std::string oldCopy(oldText);
  const std::string newCopy(newText);
  // The end of the range keeps its distance from the end of the value.
  const int fromEnd = (end < 1 || end >= DATAEND_) ? -1 : DATAEND_ - end;
  int total = 0;
  for (;;) {
    const int passEnd = fromEnd < 0 ? 0 : DATAEND_ - fromEnd;
    if (fromEnd >= 0 && passEnd < 1) break;
    const int n =
        Replace_(oldCopy, newCopy, count == 0 ? 0 : count - total, start, passEnd, noCase);
    if (n == 0) break;
    total += n;
    if (count != 0 && total >= count) break;
  }
  return total;
}

// ---- Inside and outside delimited blocks -------------------------------------

int TextBuffer::ReplaceBetween(std::string_view startDelimiter, std::string_view endDelimiter,
                               std::string_view oldText, std::string_view newText, int count,
                               int start, int end, bool noCase, bool wholeBlock) {
  if (end < 1 || end > DATAEND_) end = DATAEND_;
  if (start < 1) start = 1;
  if (start > end || count < 0 || (oldText.empty() && newText.empty()) || oldText == newText ||
      startDelimiter.empty()) {
    return 0;
  }
  const BlockTexts texts(startDelimiter, endDelimiter, oldText, newText);
  const int fromEnd = DATAEND_ - end;
  int total = 0;
  int pos = start;
  while (pos < end) {
    const int a = Instring(texts.open, 1, pos, end, noCase);
    if (a == 0) break;
    const int b = a + static_cast<int>(texts.open.size());
    const int e = Instring(texts.close, 1, b, end, noCase);
    if (e == 0) break;
    const int before = DATAEND_;
    int n = 0;
    if (e > b) {
      if (wholeBlock) {
        ReplaceSlice(b, e - 1, texts.newText);
        n = 1;
      } else if (!texts.oldText.empty()) {
        n = Replace_(texts.oldText, texts.newText, count == 0 ? 0 : count - total, b, e - 1,
                     noCase);
      } else {
        Insert(b, texts.newText);
        n = 1;
      }
    } else if (wholeBlock || texts.oldText.empty()) {
      Insert(b, texts.newText);
      n = 1;
    }
    total += n;
    if (count != 0 && total >= count) break;
    pos = e + static_cast<int>(texts.close.size()) + (DATAEND_ - before);
    end = DATAEND_ - fromEnd;
  }
  return total;
}

int TextBuffer::ReplaceOutside(std::string_view startDelimiter, std::string_view endDelimiter,
                               std::string_view oldText, std::string_view newText, int count,
                               int start, int end, bool noCase) {
  if (end < 1 || end > DATAEND_) end = DATAEND_;
  if (start < 1) start = 1;
  if (start > end || count < 0 || oldText.empty() || oldText == newText || startDelimiter.empty()) {
    return 0;
  }
  const BlockTexts texts(startDelimiter, endDelimiter, oldText, newText);
  const int fromEnd = DATAEND_ - end;
  int total = 0;
  int pos = start;
  for (;;) {
    const int left = count == 0 ? 0 : count - total;
    const int a = pos <= end ? Instring(texts.open, 1, pos, end, noCase) : 0;
    const int e =
        a == 0 ? 0 : Instring(texts.close, 1, a + static_cast<int>(texts.open.size()), end, noCase);
    if (a == 0 || e == 0) {
      if (pos <= end) total += Replace_(texts.oldText, texts.newText, left, pos, end, noCase);
      break;
    }
    int growth = 0;
    if (a > pos) {
      const int before = DATAEND_;
      total += Replace_(texts.oldText, texts.newText, left, pos, a - 1, noCase);
      growth = DATAEND_ - before;
      if (count != 0 && total >= count) break;
    }
    pos = e + static_cast<int>(texts.close.size()) + growth;
    end = DATAEND_ - fromEnd;
    if (end < 1) break;
  }
  return total;
}

// ---- Slices -------------------------------------------------------------------

void TextBuffer::ReplaceSlice(int start, int end, int length, const void* address) {
  if (start < 1) return;
  const int n = address == nullptr || length < 1 ? 0 : length;
  const char* data = static_cast<const char*>(address);
  if (static_cast<long long>(start) + n - 1 > INT_MAX) return;
  if (end == 0) end = n == 0 ? start : start + n - 1;
  if (end < start) return;
  if (end < DATAEND_) {
    if (n == 0) {
      DeleteRange(start, end - start + 1);
    } else {
      splice(start - 1, end - start + 1, data, n);
    }
    return;
  }
  std::string copy;
  if (n > 0 && ownsAddress(data)) {
    copy.assign(data, static_cast<std::size_t>(n));
    data = copy.data();
  }
  SetLength(start + n - 1, false);
  if (n > 0 && VALUE.address != nullptr) {
    std::memcpy(VALUE.address + start - 1, data, static_cast<std::size_t>(n));
  }
}

void TextBuffer::ReplaceSlice(int start, int end, std::string_view text) {
  ReplaceSlice(start, end, static_cast<int>(text.size()), text.data());
}

void TextBuffer::ReplaceSlice(int start, int end, const TextBuffer& other) {
  ReplaceSlice(start, end, other.DATAEND_, other.VALUE.address);
}

bool TextBuffer::ReplaceLast(std::string_view oldText, std::string_view newText, int start, int end,
                             bool noCase) {
  const int p = InstringLast(oldText, start, end, noCase);
  if (p == 0) return false;
  const std::string newCopy(newText);
  ReplaceSlice(p, p + static_cast<int>(oldText.size()) - 1, newCopy);
  return true;
}

bool TextBuffer::ReplaceNth(std::string_view oldText, std::string_view newText, int n, int start,
                            int end, bool noCase) {
  const int p = InstringNth(oldText, n, start, end, noCase);
  if (p == 0) return false;
  const std::string newCopy(newText);
  ReplaceSlice(p, p + static_cast<int>(oldText.size()) - 1, newCopy);
  return true;
}

// ---- Single bytes and byte maps ------------------------------------------------

int TextBuffer::ReplaceSingleChars(std::string_view fromChars, std::string_view toChars) {
  if (fromChars.size() != toChars.size()) {
    RecordError("ReplaceSingleChars", "Called with Mismatching String Lengths");
    return -1;
  }
  if (DATAEND_ == 0 || fromChars == toChars) return 0;
  int total = 0;
  for (std::size_t i = 0; i < fromChars.size(); ++i) {
    total += ReplaceChar(detail::byteAt(fromChars, i), detail::byteAt(toChars, i));
  }
  return total;
}

int TextBuffer::ReplaceSingleChars(std::string_view fromChars, std::string_view toChars,
                                   bool onePass) {
  if (!onePass || fromChars.size() != toChars.size() || fromChars.size() < 2) {
    return ReplaceSingleChars(fromChars, toChars);
  }
  std::array<int, kMapSize> map;
  map.fill(-1);
  for (std::size_t i = fromChars.size(); i-- > 0;) {
    map[detail::byteAt(fromChars, i)] = detail::byteAt(toChars, i);  // the first match wins
  }
  int changed = 0;
  for (int i = 0; i < DATAEND_; ++i) {
    const int to = map[static_cast<unsigned char>(VALUE.address[i])];
    if (to >= 0 && to != static_cast<unsigned char>(VALUE.address[i])) {
      VALUE.address[i] = static_cast<char>(to);
      ++changed;
    }
  }
  return changed;
}

int TextBuffer::ReplaceChar(int byte, int newByte) {
  const auto from = static_cast<char>(byte);
  const auto to = static_cast<char>(newByte);
  if (DATAEND_ == 0 || from == to) return 0;
  int changed = 0;
  char* v = VALUE.address;
  const char* stop = v + DATAEND_;
  while ((v = static_cast<char*>(std::memchr(v, from, static_cast<std::size_t>(stop - v))))) {
    *v++ = to;
    ++changed;
  }
  return changed;
}

// Removes every byte whose entry is marked, closing the value up.
int TextBuffer::removeBytesWhere(const unsigned char* marked) {
  char* v = VALUE.address;
  int write = 0;
  for (int read = 0; read < DATAEND_; ++read) {
    if (!marked[static_cast<unsigned char>(v[read])]) v[write++] = v[read];
  }
  const int removed = DATAEND_ - write;
  if (removed == 0) return 0;
  if (write == 0) {
    SetEmpty();
  } else {
    shrinkTo(write);
  }
  return removed;
}

int TextBuffer::RemoveByte(int byte) {
  if (DATAEND_ == 0) return 0;
  std::array<unsigned char, kMapSize> marked{};
  marked[static_cast<unsigned char>(byte)] = 1;
  return removeBytesWhere(marked.data());
}

int TextBuffer::RemoveByteRange(int fromByte, int toByte) {
  if (DATAEND_ == 0 || toByte < fromByte) return 0;
  if (fromByte == toByte) return RemoveByte(fromByte);
  std::string map(kMapSize, '\0');
  for (int b = std::max(fromByte, 0); b <= std::min(toByte, kMapSize - 1); ++b) map[b] = 1;
  return _removeMatchingChars(map);
}

int TextBuffer::_removeMatchingChars(std::string_view map) {
  if (map.size() != kMapSize) {
    RecordError("_removeMatchingChars", "Character Map parameter must be a string of size 256.",
                true);
    return 0;
  }
  if (DATAEND_ == 0) return 0;
  std::array<unsigned char, kMapSize> marked{};
  for (int b = 0; b < kMapSize; ++b) marked[b] = map[b] == 1 ? 1 : 0;
  return removeBytesWhere(marked.data());
}

int TextBuffer::_replaceMatchingChars(std::string& map, int fillByte) {
  if (map.size() != kMapSize) {
    RecordError("_replaceMatchingChars", "Character Map parameter must be a string of size 256.",
                true);
    return 0;
  }
  const auto fill = static_cast<unsigned char>(fillByte);
  map[fill] = 0;
  int changed = 0;
  for (int i = 0; i < DATAEND_; ++i) {
    if (map[static_cast<unsigned char>(VALUE.address[i])] != 0) {
      VALUE.address[i] = static_cast<char>(fill);
      ++changed;
    }
  }
  return changed;
}

}  // namespace textlib
