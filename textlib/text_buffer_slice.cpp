// TextBuffer: pieces of the value, ASCII case, capitalised words and file
// name extensions.
#include <string>

#include "platform/base/text_order.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

using detail::ByteRange;
using detail::normalizeRange;

std::string TextBuffer::Sub(int start, int length) const {
  if (start < 1) start = 1;
  if (DATAEND_ == 0 || start > DATAEND_ || length < 1) return {};
  const long long available = DATAEND_ - start + 1;
  return std::string(
      view().substr(static_cast<std::size_t>(start - 1),
                    static_cast<std::size_t>(std::min<long long>(length, available))));
}

std::string TextBuffer::Slice(int start, int end) const {
  const ByteRange r = normalizeRange(start, end, DATAEND_);
  if (DATAEND_ == 0 || r.empty()) return {};
  return std::string(
      view().substr(static_cast<std::size_t>(r.first - 1), static_cast<std::size_t>(r.size())));
}

void TextBuffer::Crop(int start, int end) {
  const ByteRange r = normalizeRange(start, end, DATAEND_);
  if (r.empty()) {
    SetEmpty();
    return;
  }
  if (r.last < DATAEND_) shrinkTo(r.last);
  if (r.first > 1) DeleteRange(1, r.first - 1);
}

// Changes the ASCII letters of one case to the other, leaving quoted
// stretches (and their quote bytes) alone.
int TextBuffer::caseConvert(bool toUpper, std::string_view quoteStart, std::string_view quoteEnd) {
  const char from = toUpper ? 'a' : 'A';
  const char to = toUpper ? 'A' : 'a';
  const bool quoting = !quoteStart.empty();
  const char open = quoting ? quoteStart[0] : '\0';
  const char close = quoteEnd.empty() ? open : quoteEnd[0];
  bool inside = false;
  int changed = 0;
  for (int i = 0; i < DATAEND_; ++i) {
    char& c = VALUE.address[i];
    if (quoting) {
      if (inside) {
        if (c == close) inside = false;
        continue;
      }
      if (c == open) {
        inside = true;
        continue;
      }
    }
    if (c >= from && c <= from + 25) {
      c = static_cast<char>(c - from + to);
      ++changed;
    }
  }
  return changed;
}

void TextBuffer::Upper(std::string_view quoteStart, std::string_view quoteEnd) {
  caseConvert(true, quoteStart, quoteEnd);
}

void TextBuffer::Lower(std::string_view quoteStart, std::string_view quoteEnd) {
  caseConvert(false, quoteStart, quoteEnd);
}

int TextBuffer::CapitalizeWords(int count, int start, int end, std::string_view delimiters) {
  static constexpr std::string_view kDefaultDelimiters = ". \r\n\t,-;\"'!?&()*/+=<>:";
  if (DATAEND_ == 0) return 0;
  const ByteRange r = normalizeRange(start, end, DATAEND_);
  if (r.empty()) return 0;
  const std::string_view set = delimiters.empty() ? kDefaultDelimiters : delimiters;
  auto isDelimiter = [&](char c) { return set.find(c) != std::string_view::npos; };
  int counted = 0;
  for (int p = r.first; p <= r.last; ++p) {
    if (p > 1 && !isDelimiter(VALUE.address[p - 2])) continue;
    VALUE.address[p - 1] = rt::upperChar(VALUE.address[p - 1]);
    ++counted;
    if (count > 0 && counted >= count) break;
  }
  return counted;
}

std::string TextBuffer::ExtensionOnly(std::string_view fileName) const {
  std::string_view name = detail::clipView(fileName.empty() ? view() : fileName);
  if (name.empty()) return {};
  const char last = name.back();
  if (last == '/' || last == '\\' || last == '.') return {};
  for (std::size_t i = name.size() - 1; i > 0; --i) {
    const char c = name[i];
    if (c == '.') return std::string(name.substr(i + 1));
    if (c == '/' || c == '\\') return {};
  }
  return {};
}

}  // namespace textlib
