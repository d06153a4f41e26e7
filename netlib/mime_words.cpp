#include "netlib/mime_words.h"

#include <algorithm>

#include "textlib/text_buffer.h"

namespace netlib {
namespace {

constexpr std::size_t kWordLimit = 75;
constexpr std::size_t kLineLimit = 76;
constexpr std::string_view kFold = "\r\n ";

std::string oneWord(std::string_view utf8, MimeWordKind kind) {
  textlib::TextBuffer buffer;
  buffer.SetValue(utf8);
  buffer.EncodeMimeWord("utf-8", static_cast<int>(kind));
  std::string word = buffer.GetValue();
  std::erase_if(word, [](char c) { return c == '\r' || c == '\n'; });
  return word;
}

// The length of the UTF-8 character that starts at `at`.
std::size_t characterLength(std::string_view text, std::size_t at) {
  std::size_t end = at + 1;
  while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  return end - at;
}

}  // namespace

std::string foldedMimeWords(std::string_view utf8, MimeWordKind kind, std::size_t taken) {
  if (utf8.empty()) return {};
  std::string out;
  std::size_t start = 0;
  std::size_t limit = taken < kLineLimit ? std::min(kWordLimit, kLineLimit - taken) : 0;
  while (start < utf8.size()) {
    // The longest run of whole characters whose word fits; one character at least.
    std::size_t end = start + characterLength(utf8, start);
    std::string word = oneWord(utf8.substr(start, end - start), kind);
    while (end < utf8.size()) {
      const std::size_t next = end + characterLength(utf8, end);
      std::string longer = oneWord(utf8.substr(start, next - start), kind);
      if (longer.size() > limit) break;
      word = std::move(longer);
      end = next;
    }
    if (!out.empty()) out += kFold;
    out += word;
    start = end;
    limit = kWordLimit;
  }
  return out;
}

}  // namespace netlib
