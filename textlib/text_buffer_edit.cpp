// TextBuffer: quoting, inserting, overwriting, justifying, repeating,
// reversing, trimming and cutting the value.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "platform/base/text_order.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

using detail::kBlank;

namespace {

char firstOr(std::string_view text, char fallback) { return text.empty() ? fallback : text[0]; }

bool skipped(char c, int skipFlags) {
  return ((skipFlags & TextBuffer::kSkipBlank) && c == ' ') ||
         ((skipFlags & TextBuffer::kSkipTab) && c == '\t') ||
         ((skipFlags & TextBuffer::kSkipCarriageReturn) && c == '\r') ||
         ((skipFlags & TextBuffer::kSkipLineFeed) && c == '\n') ||
         ((skipFlags & TextBuffer::kSkipZero) && c == '0');
}

bool onlyBlanks(std::string_view text) { return detail::clipView(text).empty(); }

}  // namespace

// ---- Quoting ------------------------------------------------------------------

void TextBuffer::Quote(std::string_view quoteStart, std::string_view quoteEnd, bool quoteEmpty) {
  if (DATAEND_ == 0 && !quoteEmpty) return;
  const char open = firstOr(quoteStart, '"');
  const char close = firstOr(quoteEnd, open);
  if (DATAEND_ >= 2 && VALUE.address[0] == open && VALUE.address[DATAEND_ - 1] == close) return;
  const int length = DATAEND_;
  SetLength(length + 2, false);
  if (VALUE.address == nullptr) return;
  std::memmove(VALUE.address + 1, VALUE.address, static_cast<std::size_t>(length));
  VALUE.address[0] = open;
  VALUE.address[length + 1] = close;
}

void TextBuffer::Unquote(std::string_view quoteStart, std::string_view quoteEnd) {
  if (DATAEND_ < 2) return;
  const char open = firstOr(quoteStart, VALUE.address[0] == '\'' ? '\'' : '"');
  const char close = firstOr(quoteEnd, open);
  if (VALUE.address[0] == open && VALUE.address[DATAEND_ - 1] == close) Crop(2, DATAEND_ - 1);
}

// ---- Inserting and overwriting -------------------------------------------------

void TextBuffer::Insert(int position, int length, const void* address) {
  if (address == nullptr || length < 1) return;
  if (position < 1) position = 1;
  const char* data = static_cast<const char*>(address);
  if (position == 1) {
    Prepend(length, data);
    return;
  }
  if (position > DATAEND_) {
    if (static_cast<long long>(position) + length - 1 > INT_MAX) return;
    std::string copy;
    if (ownsAddress(data)) {
      copy.assign(data, static_cast<std::size_t>(length));
      data = copy.data();
    }
    SetLength(position + length - 1, false);
    if (VALUE.address != nullptr) {
      std::memcpy(VALUE.address + position - 1, data, static_cast<std::size_t>(length));
    }
    return;
  }
  splice(position - 1, 0, data, length);
}

void TextBuffer::Insert(int position, std::string_view text) {
  Insert(position, static_cast<int>(text.size()), text.data());
}

void TextBuffer::Insert(int position, const TextBuffer& other) {
  if (other.DATAEND_ == 0) return;
  Insert(position, other.DATAEND_, other.VALUE.address);
}

void TextBuffer::InsertEvery(std::string_view text, int every) {
  InsertEvery(every, static_cast<int>(text.size()), text.data());
}

void TextBuffer::InsertEvery(int every, int length, const void* address) {
  const int oldLength = DATAEND_;
  if (every < 1 || every >= oldLength || address == nullptr || length < 1) return;
  const std::string text(static_cast<const char*>(address), static_cast<std::size_t>(length));
  const int count = oldLength / every - (oldLength % every == 0 ? 1 : 0);
  const long long newLength = oldLength + static_cast<long long>(count) * length;
  if (newLength > 0x7FFFFFFF) {
    RecordError("InsertEvery", "Unable to increase value size - probably out of memory", true);
    return;
  }
  SetLength(static_cast<int>(newLength), false);
  if (VALUE.address == nullptr || DATAEND_ != newLength) {
    RecordError("InsertEvery", "Unable to increase value size - probably out of memory", true);
    return;
  }
  char* v = VALUE.address;
  const int lastBlock = oldLength - count * every;
  long long write = newLength - lastBlock;
  std::memmove(v + write, v + static_cast<long long>(count) * every,
               static_cast<std::size_t>(lastBlock));
  for (int i = count; i >= 1; --i) {
    write -= length;
    std::memcpy(v + write, text.data(), static_cast<std::size_t>(length));
    write -= every;
    std::memmove(v + write, v + static_cast<long long>(i - 1) * every,
                 static_cast<std::size_t>(every));
  }
}

void TextBuffer::SetSlice(int start, int end, int length, const void* address) {
  if (start < 1) return;
  const int n = address == nullptr || length < 1 ? 0 : length;
  if (static_cast<long long>(start) + n - 1 > INT_MAX) return;
  if (end == 0) end = n == 0 ? start : start + n - 1;
  if (end < start) return;
  const char* data = static_cast<const char*>(address);
  std::string copy;
  if (n > 0 && ownsAddress(data)) {
    copy.assign(data, static_cast<std::size_t>(n));
    data = copy.data();
  }
  if (end > DATAEND_) SetLength(end, false);
  if (VALUE.address == nullptr) return;
  const int width = end - start + 1;
  const int copied = std::min(width, n);
  if (copied > 0) std::memcpy(VALUE.address + start - 1, data, static_cast<std::size_t>(copied));
  if (width > copied) {
    std::memset(VALUE.address + start - 1 + copied, kBlank,
                static_cast<std::size_t>(width - copied));
  }
}

void TextBuffer::SetSlice(int start, int end, std::string_view text) {
  SetSlice(start, end, static_cast<int>(text.size()), text.data());
}

void TextBuffer::SetSlice(int start, int end, const TextBuffer& other) {
  SetSlice(start, end, other.DATAEND_, other.VALUE.address);
}

std::string TextBuffer::AsString(std::string_view text) {
  SetValue(text);
  return GetValue();
}

std::string TextBuffer::AsString(int length, const void* address) {
  SetValue(length, address);
  return GetValue();
}

// ---- Justifying, repeating, reversing -----------------------------------------

std::string TextBuffer::Left(int length, int skipFlags, std::string_view fill) const {
  const int n = length == 0 ? DATAEND_ : length;
  if (n < 1) return {};
  const char f = firstOr(fill, kBlank);
  int first = 0;
  while (first < DATAEND_ && skipped(VALUE.address[first], skipFlags)) ++first;
  if (first == DATAEND_) return std::string(static_cast<std::size_t>(n), f);
  const int kept = DATAEND_ - first;
  std::string out(VALUE.address + first, static_cast<std::size_t>(std::min(kept, n)));
  if (kept < n) out.append(static_cast<std::size_t>(n - kept), f);
  return out;
}

std::string TextBuffer::Right(int length, int skipFlags, std::string_view fill) const {
  const int n = length == 0 ? DATAEND_ : length;
  if (n < 1) return {};
  const char f = firstOr(fill, kBlank);
  int kept = DATAEND_;
  while (kept > 0 && skipped(VALUE.address[kept - 1], skipFlags)) --kept;
  if (kept == 0) return std::string(static_cast<std::size_t>(n), f);
  if (kept >= n) return std::string(VALUE.address + kept - n, static_cast<std::size_t>(n));
  std::string out(static_cast<std::size_t>(n - kept), f);
  out.append(VALUE.address, static_cast<std::size_t>(kept));
  return out;
}

void TextBuffer::SetLeft(int length, int skipFlags, std::string_view fill) {
  SetValue(Left(length, skipFlags, fill));
}

void TextBuffer::SetRight(int length, int skipFlags, std::string_view fill) {
  SetValue(Right(length, skipFlags, fill));
}

void TextBuffer::Repeat(int length) {
  if (DATAEND_ == 0) {
    SetLength(length, false);
    return;
  }
  SetValue(Repeated(length));
}

std::string TextBuffer::Repeated(int length) const {
  if (length < 1) return {};
  if (DATAEND_ == 0) return std::string(static_cast<std::size_t>(length), kBlank);
  std::string out;
  out.reserve(static_cast<std::size_t>(length));
  while (static_cast<int>(out.size()) < length) {
    out.append(view().substr(0, static_cast<std::size_t>(length) - out.size()));
  }
  return out;
}

void TextBuffer::Reverse() { std::reverse(VALUE.address, VALUE.address + DATAEND_); }

std::string TextBuffer::ReverseText(std::string_view text) {
  return std::string(text.rbegin(), text.rend());
}

// ---- Trimming -------------------------------------------------------------------

void TextBuffer::Trim() {
  if (DATAEND_ == 0) return;
  if (VALUE.address[0] == kBlank) {
    int first = 0;
    while (first < DATAEND_ && VALUE.address[first] == kBlank) ++first;
    if (first == DATAEND_) {
      SetEmpty();
      return;
    }
    Crop(first + 1, ClipLength());
  } else if (VALUE.address[DATAEND_ - 1] == kBlank) {
    TrimRight();
  }
}

void TextBuffer::Trim(std::string_view chars) {
  if (onlyBlanks(chars)) {
    Trim();
    return;
  }
  if (DATAEND_ == 0) return;
  auto inSet = [&](char c) { return chars.find(c) != std::string_view::npos; };
  int first = 0;
  while (first < DATAEND_ && inSet(VALUE.address[first])) ++first;
  if (first == DATAEND_) {
    SetEmpty();
    return;
  }
  int last = DATAEND_;
  while (inSet(VALUE.address[last - 1])) --last;
  Crop(first + 1, last);
}

void TextBuffer::TrimRight() { shrinkTo(ClipLength()); }

void TextBuffer::TrimRight(std::string_view chars) {
  if (onlyBlanks(chars)) {
    TrimRight();
    return;
  }
  int last = DATAEND_;
  while (last > 0 && chars.find(VALUE.address[last - 1]) != std::string_view::npos) --last;
  if (last == 0) {
    SetEmpty();
  } else {
    shrinkTo(last);
  }
}

// ---- Cutting --------------------------------------------------------------------

int TextBuffer::CropFirst(int count) { return count < 1 ? 0 : DeleteRange(1, count); }

int TextBuffer::CropLast(int count) {
  if (count < 1) return 0;
  if (count < DATAEND_) {
    shrinkTo(DATAEND_ - count);
    return count;
  }
  const int length = DATAEND_;
  SetEmpty();
  return length;
}

bool TextBuffer::RemovePrefix(std::string_view text, bool noCase) {
  if (text.empty() || DATAEND_ < static_cast<int>(text.size())) return false;
  const std::string_view head = view().substr(0, text.size());
  const bool same = noCase ? rt::lower(head) == rt::lower(text) : head == text;
  if (!same) return false;
  DeleteRange(1, static_cast<int>(text.size()));
  return true;
}

int TextBuffer::DeleteRange(int start, int length) {
  if (start > DATAEND_) return 0;
  long long count = length;
  if (start < 1) {
    count -= 1LL - start;
    start = 1;
  }
  if (count < 1) return 0;
  if (start + count - 1 > DATAEND_) count = DATAEND_ - start + 1;
  const int removed = static_cast<int>(count);
  if (removed == DATAEND_) {
    SetEmpty();
    return removed;
  }
  splice(start - 1, removed, nullptr, 0);
  return removed;
}

}  // namespace textlib
