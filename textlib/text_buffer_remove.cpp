// TextBuffer: cutting texts, delimited blocks, tag attributes and XML name
// prefixes out of the value, in place.
#include <cstring>
#include <string>
#include <vector>

#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

// Moves the kept pieces of `data` down over the removed 1-based inclusive
// ranges (ascending, not overlapping) in one pass; the new length.
int compactWithout(char* data, int length, const std::vector<detail::ByteRange>& removed) {
  int write = 0;
  int read = 0;
  for (const detail::ByteRange& r : removed) {
    const int keep = r.first - 1 - read;
    if (keep > 0 && write != read) std::memmove(data + write, data + read, keep);
    write += keep;
    read = r.last;
  }
  const int tail = length - read;
  if (tail > 0 && write != read) std::memmove(data + write, data + read, tail);
  return write + tail;
}

}  // namespace

int TextBuffer::Remove(std::string_view text) {
  if (text.empty() || static_cast<int>(text.size()) > DATAEND_) return 0;
  if (text.size() == 1) return RemoveByte(detail::byteAt(text, 0));
  return Replace(text, {});
}

int TextBuffer::RemoveBlocks(std::string_view startDelimiter, std::string_view endDelimiter,
                             bool noCase, bool keepDelimiters, int count) {
  const int a = static_cast<int>(startDelimiter.size());
  const int b = static_cast<int>(endDelimiter.size());
  if (b == 0) {
    if (a == 0 || a > DATAEND_) return 0;
    if (a == 1 && !noCase && count <= 0) return RemoveByte(detail::byteAt(startDelimiter, 0));
    return Replace(startDelimiter, {}, count < 0 ? 0 : count, 1, 0, noCase);
  }
  const int length = DATAEND_;
  if (a == 0 || length < a + b) return 0;
  const bool fold =
      noCase && (detail::hasLetters(startDelimiter) || detail::hasLetters(endDelimiter));
  const std::string start = fold ? detail::upperCopy(startDelimiter) : std::string(startDelimiter);
  const std::string end = fold ? detail::upperCopy(endDelimiter) : std::string(endDelimiter);
  const detail::SearchSubject subject(view(), fold);
  std::vector<detail::ByteRange> removed;
  int counted = 0;
  int from = 1;
  while (count <= 0 || counted < count) {
    const int s = subject.find(start, from, length - (a + b) + 1);
    if (s == 0) break;
    const int e = subject.find(end, s + a, length - b + 1);
    if (e == 0) break;
    if (!keepDelimiters) {
      removed.push_back({s, e + b - 1});
      ++counted;
    } else if (e > s + a) {
      removed.push_back({s + a, e - 1});
      ++counted;
    }
    from = e + b;
  }
  if (removed.empty()) return 0;
  SetLength(compactWithout(VALUE.address, length, removed), false);
  return counted;
}

void TextBuffer::RemoveAttributes(std::string_view tagName, int count) {
  const std::string pattern = "<" + std::string(detail::clipView(tagName)) + " ";
  const int length = DATAEND_;
  const int n = static_cast<int>(pattern.size());
  std::vector<detail::ByteRange> removed;
  int from = 1;
  while (count <= 0 || static_cast<int>(removed.size()) < count) {
    const int p = detail::findInRange(view(), pattern, from, length);
    if (p == 0) break;
    const int close = detail::findInRange(view(), ">", p + n, length);
    if (close == 0) break;
    removed.push_back({p + n - 1, close - 1});
    from = close + 1;
  }
  if (removed.empty()) return;
  SetLength(compactWithout(VALUE.address, length, removed), false);
}

// A namespace prefix is deleted from each element name (opening and closing
// tags); attribute names keep theirs, as does text outside tags.
void TextBuffer::RemoveXmlPrefixes() {
  char* v = VALUE.address;
  const int length = DATAEND_;
  int write = 0;
  int nameStart = -1;  // index of the "<" or "/" before the current element name
  for (int read = 0; read < length; ++read) {
    const char c = v[read];
    if (c == ' ' || c == '>') {
      nameStart = -1;
    } else if (c == '<') {
      nameStart = write;
    } else if (c == '/' && nameStart >= 0 && v[nameStart] == '<' && write == nameStart + 1) {
      nameStart = write;
    } else if (c == ':' && nameStart >= 0) {
      write = nameStart + 1;
      if (read == length - 1) break;
      continue;
    }
    v[write++] = c;
  }
  if (write < length) SetLength(write, false);
}

}  // namespace textlib
