// TextBuffer: the text before, after and between delimiters, and the close
// delimiter that balances an open one.
#include <string>

#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

constexpr int kFound = 0;
constexpr int kMissing = 2;
constexpr int kFirst = 1;
constexpr int kLast = -1;

}  // namespace

// Position of the given occurrence (1 first, -1 last, n / -n counted from the
// start / the end) of the delimiter lying wholly within start..end; 0 when
// there is none. An empty delimiter is never found.
int TextBuffer::searchDelimiter(std::string_view delimiter, int occurrence, int start, int end,
                                bool noCase) const {
  if (delimiter.empty() || occurrence == 0) return 0;
  if (occurrence == kFirst) return Instring(delimiter, 1, start, end, noCase);
  return InstringNth(delimiter, occurrence, start, end, noCase);
}

std::string TextBuffer::Before(std::string_view delimiter, int start, int end, bool noCase) const {
  return BeforeNth(delimiter, kFirst, start, end, noCase);
}

std::string TextBuffer::BeforeLast(std::string_view delimiter, int start, int end,
                                   bool noCase) const {
  return BeforeNth(delimiter, kLast, start, end, noCase);
}

std::string TextBuffer::BeforeNth(std::string_view delimiter, int occurrence, int start, int end,
                                  bool noCase) const {
  const int p = searchDelimiter(delimiter, occurrence, start, end, noCase);
  return p <= 1 ? std::string() : GetValue(p - 1);
}

std::string TextBuffer::After(std::string_view delimiter, int start, int end, bool noCase) const {
  return AfterNth(delimiter, kFirst, start, end, noCase);
}

std::string TextBuffer::AfterLast(std::string_view delimiter, int start, int end,
                                  bool noCase) const {
  return AfterNth(delimiter, kLast, start, end, noCase);
}

std::string TextBuffer::AfterNth(std::string_view delimiter, int occurrence, int start, int end,
                                 bool noCase) const {
  const int p = searchDelimiter(delimiter, occurrence, start, end, noCase);
  if (p == 0) return {};
  const long long from = p + static_cast<long long>(delimiter.size());
  if (from > DATAEND_) return {};
  return Slice(static_cast<int>(from), DATAEND_);
}

// The value becomes positions keepStart..keepEnd (empty when keepEnd is
// before keepStart); a delimiter not found (found == 0) empties it only on
// request.
int TextBuffer::setFromDelimiter(int found, int keepStart, int keepEnd, bool clearIfMissing) {
  if (found == 0) {
    if (clearIfMissing) SetEmpty();
    return kMissing;
  }
  if (keepEnd < keepStart) {
    SetEmpty();
  } else if (keepStart > 1) {
    DeleteRange(1, keepStart - 1);
  } else {
    SetLength(keepEnd, false);
  }
  return kFound;
}

int TextBuffer::SetBefore(std::string_view delimiter, int start, int end, bool noCase,
                          bool clearIfMissing) {
  return SetBeforeNth(delimiter, kFirst, start, end, noCase, clearIfMissing);
}

int TextBuffer::SetBeforeLast(std::string_view delimiter, int start, int end, bool noCase,
                              bool clearIfMissing) {
  return SetBeforeNth(delimiter, kLast, start, end, noCase, clearIfMissing);
}

int TextBuffer::SetBeforeNth(std::string_view delimiter, int occurrence, int start, int end,
                             bool noCase, bool clearIfMissing) {
  const int p = searchDelimiter(delimiter, occurrence, start, end, noCase);
  return setFromDelimiter(p, 1, p - 1, clearIfMissing);
}

int TextBuffer::SetAfter(std::string_view delimiter, int start, int end, bool noCase,
                         bool clearIfMissing) {
  return SetAfterNth(delimiter, kFirst, start, end, noCase, clearIfMissing);
}

int TextBuffer::SetAfterLast(std::string_view delimiter, int start, int end, bool noCase,
                             bool clearIfMissing) {
  return SetAfterNth(delimiter, kLast, start, end, noCase, clearIfMissing);
}

int TextBuffer::SetAfterNth(std::string_view delimiter, int occurrence, int start, int end,
                            bool noCase, bool clearIfMissing) {
  const int p = searchDelimiter(delimiter, occurrence, start, end, noCase);
  const int from = p + static_cast<int>(delimiter.size());
  return setFromDelimiter(p, from, DATAEND_, clearIfMissing);
}

void TextBuffer::FindBetween(std::string_view leftDelimiter, std::string_view rightDelimiter,
                             int& start, int& end, bool noCase, bool exclusive) const {
  if (DATAEND_ == 0) {
    start = 0;
    return;
  }
  if (start < 1) start = 1;
  if (end < 1 || end > DATAEND_) end = DATAEND_;
  // Instring drops the case folding by itself for a delimiter without letters.
  const int leftLength = static_cast<int>(leftDelimiter.size());
  const int rightLength = static_cast<int>(rightDelimiter.size());
  if (leftLength > 0) {
    start = Instring(leftDelimiter, 1, start, end, noCase);
    if (start == 0) return;
  }
  if (rightLength > 0) {
    const int right = start + leftLength <= end
                          ? Instring(rightDelimiter, 1, start + leftLength, end, noCase)
                          : 0;
    if (right == 0) {
      start = 0;
      return;
    }
    end = right;
  }
  if (exclusive) {
    start += leftLength;
    if (rightLength > 0) end -= 1;
  } else if (rightLength > 0) {
    end += rightLength - 1;
  }
}

std::string TextBuffer::Between(std::string_view leftDelimiter, std::string_view rightDelimiter,
                                int start, int end, bool noCase, bool exclusive) const {
  return Between(leftDelimiter, rightDelimiter, &start, &end, noCase, exclusive);
}

std::string TextBuffer::Between(std::string_view leftDelimiter, std::string_view rightDelimiter,
                                int* start, int* end, bool noCase, bool exclusive) const {
  FindBetween(leftDelimiter, rightDelimiter, *start, *end, noCase, exclusive);
  if (*start == 0 || *end < *start) return {};
  return Slice(*start, *end);
}

int TextBuffer::SetBetween(std::string_view leftDelimiter, std::string_view rightDelimiter,
                           int start, int end, bool noCase, bool exclusive, bool clearIfMissing) {
  FindBetween(leftDelimiter, rightDelimiter, start, end, noCase, exclusive);
  if (start == 0) {
    if (clearIfMissing) SetEmpty();
    return kMissing;
  }
  if (end < start) {
    SetEmpty();
  } else {
    Crop(start, end);
  }
  return kFound;
}

int TextBuffer::FindMatchingClose(std::string_view openText, std::string_view closeText,
                                  int start) const {
  const long long openLength = static_cast<long long>(openText.size());
  const long long closeLength = static_cast<long long>(closeText.size());
  if (openLength == 0 || closeLength == 0 || DATAEND_ < openLength + closeLength) return 0;
  const std::string_view value = view();
  int depth = 0;
  long long p = start < 1 ? 1 : start;
  while (p <= DATAEND_) {
    const auto at = static_cast<std::size_t>(p - 1);
    if (p + openLength - 1 <= DATAEND_ && value.compare(at, openText.size(), openText) == 0) {
      ++depth;
      p += openLength;
    } else if (depth > 0 && p + closeLength - 1 <= DATAEND_ &&
               value.compare(at, closeText.size(), closeText) == 0) {
      if (depth == 1) return static_cast<int>(p);
      --depth;
      p += closeLength;
    } else {
      ++p;
    }
  }
  return 0;
}

}  // namespace textlib
