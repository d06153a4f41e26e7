// TextBuffer: words found by a set of delimiter characters, and word wrap.
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

constexpr std::string_view kPlainDelimiters = ". \r\n\t,-;\"'!?&()*/+=<>:";
constexpr std::string_view kMarkupDelimiters = ". \r\n\t,-;\"'!?()*/+=<>:";
constexpr std::string_view kControlDelimiters = ". ,-;\"'!?&()*/+=<>:";

// The delimiter set of a word type, with the caller's delimiters in place of
// the type's own ones when given.
class WordDelimiters {
 public:
  WordDelimiters(int wordType, std::string_view delimiters) : type_(wordType) {
    if (type_ == TextBuffer::kWordsBlank) {
      member_[' '] = true;
      return;
    }
    std::string_view set = delimiters;
    if (set.empty()) {
      set = type_ == TextBuffer::kWordsMarkup     ? kMarkupDelimiters
            : type_ == TextBuffer::kWordsControls ? kControlDelimiters
                                                  : kPlainDelimiters;
    }
    for (char c : set) member_[static_cast<unsigned char>(c)] = true;
    if (type_ == TextBuffer::kWordsControls) {
      for (int c = 0; c < 32; ++c) member_[c] = true;
    }
  }
  bool operator()(unsigned char c) const { return member_[c]; }
  bool skipsEntities() const { return type_ == TextBuffer::kWordsMarkup; }
  bool apostropheRule() const { return member_['\'']; }
  // The test used on the value's last byte.
  bool endsAtLastByte(unsigned char c) const {
    if (type_ == TextBuffer::kWordsBlank) return c == ' ';
    if (type_ == TextBuffer::kWordsControls) return c < 32;
    return member_[c];
  }

 private:
  int type_;
  std::array<bool, 256> member_{};
};

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool isLetter(unsigned char c) { return detail::isSystemAlphaNumeric(c) && !isDigit(c); }

int forwardWordStart(std::string_view value, int position, const WordDelimiters& delimiters) {
  const int length = static_cast<int>(value.size());
  int p = position;
  while (p <= length) {
    const auto c = detail::byteAt(value, p - 1);
    if (c == '&' && delimiters.skipsEntities()) {
      const std::size_t semicolon = value.find(';', static_cast<std::size_t>(p));
      p = semicolon == std::string_view::npos ? p + 1 : static_cast<int>(semicolon) + 2;
      continue;
    }
    if (!delimiters(c)) return p;
    ++p;
  }
  return 0;
}

int backwardWordStart(std::string_view value, int position, const WordDelimiters& delimiters) {
  int p = position;
  while (p >= 1 && delimiters(detail::byteAt(value, p - 1))) --p;
  if (p < 1) return 0;
  while (p > 1 && !delimiters(detail::byteAt(value, p - 2))) --p;
  return p;
}

int wordEnd(std::string_view value, int position, const WordDelimiters& delimiters, bool numbers) {
  const int length = static_cast<int>(value.size());
  if (position < 1 || position > length) return 0;
  if (position == length) {
    return delimiters.endsAtLastByte(detail::byteAt(value, length - 1)) ? 0 : length;
  }
  auto at = [&](int p) { return detail::byteAt(value, p - 1); };
  for (int p = position; p <= length; ++p) {
    const unsigned char c = at(p);
    if (!delimiters(c)) continue;
    if (c == '\'' && delimiters.apostropheRule()) {
      if (p < length && isLetter(at(p + 1))) continue;
      if (p - position >= 2 && (at(p - 2) | 0x20) == 'i' && (at(p - 1) | 0x20) == 'n') continue;
    }
    if (numbers && (c == ',' || c == '.' || c == '/' || c == ':') && p > position && p < length &&
        isDigit(at(p - 1)) && isDigit(at(p + 1))) {
      continue;
    }
    return p == position ? 0 : p - 1;
  }
  return length;
}

// Every word found forward from `start`, as 1-based inclusive ranges; at most
// `limit` of them when limit is above 0.
std::vector<detail::ByteRange> wordsForward(std::string_view value, int start,
                                            const WordDelimiters& delimiters, bool numbers,
                                            int limit = 0) {
  std::vector<detail::ByteRange> words;
  const int length = static_cast<int>(value.size());
  int p = start;
  while (p >= 1 && p <= length && (limit <= 0 || static_cast<int>(words.size()) < limit)) {
    const int s = forwardWordStart(value, p, delimiters);
    if (s == 0) break;
    const int e = wordEnd(value, s, delimiters, numbers);
    if (e == 0) break;
    words.push_back({s, e});
    if (e >= length) break;
    p = e + 1;
  }
  return words;
}

std::string_view trimBlanksAndTabs(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return line.substr(first, line.find_last_not_of(" \t") + 1 - first);
}

// Where an over-long line breaks: the last blank or tab not beyond width + 1,
// else the first one beyond it, among positions 2..length-1; 0 for none.
int breakPosition(std::string_view line, int width) {
  const int length = static_cast<int>(line.size());
  int best = 0;
  for (int p = 2; p <= length - 1; ++p) {
    const char c = line[p - 1];
    if (c != ' ' && c != '\t') continue;
    if (p <= width + 1) {
      best = p;
    } else {
      return best != 0 ? best : p;
    }
  }
  return best;
}

}  // namespace

int TextBuffer::WordStart(int position, int wordType, int direction,
                          std::string_view delimiters) const {
  if (position < 1 || position > DATAEND_) return 0;
  const WordDelimiters set(wordType, delimiters);
  return direction == -1 ? backwardWordStart(view(), position, set)
                         : forwardWordStart(view(), position, set);
}

int TextBuffer::WordEnd(int position, int wordType, std::string_view delimiters,
                        bool numbers) const {
  return wordEnd(view(), position, WordDelimiters(wordType, delimiters), numbers);
}

int TextBuffer::CountWords(int start, int wordType, std::string_view delimiters,
                           bool numbers) const {
  return static_cast<int>(
      wordsForward(view(), start, WordDelimiters(wordType, delimiters), numbers).size());
}

std::string TextBuffer::GetWord(int n, int start, int wordType, int& wordStart, int& wordEnd_,
                                std::string_view delimiters, bool numbers) const {
  wordStart = 0;
  wordEnd_ = 0;
  if (n == 0 || DATAEND_ == 0) return {};
  const WordDelimiters set(wordType, delimiters);
  const std::string_view value = view();
  if (start > DATAEND_) start = DATAEND_;
  detail::ByteRange found;
  if (n > 0) {
    if (start < 1) start = 1;
    const std::vector<detail::ByteRange> words = wordsForward(value, start, set, numbers, n);
    if (static_cast<int>(words.size()) < n) return {};
    found = words.back();
  } else {
    if (start < 1) start = DATAEND_;
    int p = start;
    for (int k = 1;; ++k) {
      const int s = p < 1 ? 0 : backwardWordStart(value, p, set);
      if (s == 0) return {};
      if (k == -n) {
        found = {s, wordEnd(value, s, set, numbers)};
        break;
      }
      p = s - 1;
    }
    if (found.last == 0) return {};
  }
  wordStart = found.first;
  wordEnd_ = found.last;
  return std::string(value.substr(found.first - 1, found.size()));
}

std::string TextBuffer::Word(int n, int start, int wordType, std::string_view delimiters,
                             bool numbers) const {
  int first = 0;
  int last = 0;
  return GetWord(n, start, wordType, first, last, delimiters, numbers);
}

void TextBuffer::WordsOnly(int wordType, std::string_view delimiters, bool numbers) {
  if (DATAEND_ == 0) return;
  const std::vector<detail::ByteRange> words =
      wordsForward(view(), 1, WordDelimiters(wordType, delimiters), numbers);
  // Every word ends before a delimiter that the next one starts after, so the
  // words and their single blanks move down without overtaking the reading.
  char* data = VALUE.address;
  int write = 0;
  for (const detail::ByteRange& word : words) {
    if (write > 0) data[write++] = ' ';
    std::memmove(data + write, data + word.first - 1, static_cast<std::size_t>(word.size()));
    write += word.size();
  }
  shrinkTo(write);
}

void TextBuffer::WordWrap(int width, bool keepLineBreaks, bool trimLines) {
  if (width < 1 || (keepLineBreaks && DATAEND_ <= width)) return;
  while (Replace(" \r\n", "\r\n", 0, 1, 0, false, true) +
             Replace("\t\r\n", "\r\n", 0, 1, 0, false, true) >
         0) {
  }
  if (trimLines) {
    Trim(" \t");
    while (Replace("\r\n ", "\r\n", 0, 1, 0, false, true) +
               Replace("\r\n\t", "\r\n", 0, 1, 0, false, true) >
           0) {
    }
  }
  static constexpr std::string_view kParagraph("\x00\x22\x01\x04", 4);
  static constexpr std::string_view kParagraphNote("\x00\x22\x01\x04\xFB\x03", 6);
  if (!keepLineBreaks && InstringValue_(kParagraph) == 0 &&
      InstringValue_(std::string_view("\r\n\r\n\xFB\x03", 6)) == 0) {
    if (Replace("\r\n\r\n", kParagraph) > 0) {
      Replace(std::string(kParagraph) + "\r\n", kParagraphNote);
    }
    Replace("\r\n ", " ");
    Replace("\r\n", " ");
    Replace(kParagraphNote, "\r\n\r\n\r\n");
    Replace(kParagraph, "\r\n\r\n");
  }
  // Each line is trimmed and broken in turn, the broken-off rest being the
  // next line examined.
  std::vector<std::string> lines;
  const std::string_view value = view();
  std::size_t from = 0;
  for (bool more = true; more;) {
    const std::size_t cut = value.find("\r\n", from);
    more = cut != std::string_view::npos;
    std::string_view line = value.substr(from, more ? cut - from : std::string_view::npos);
    from = cut + 2;
    for (;;) {
      if (trimLines) line = trimBlanksAndTabs(line);
      const int b = static_cast<int>(line.size()) > width ? breakPosition(line, width) : 0;
      if (b == 0) break;
      lines.emplace_back(line.substr(0, static_cast<std::size_t>(b - 1)));
      line.remove_prefix(static_cast<std::size_t>(b));
    }
    lines.emplace_back(line);
  }
  FreeLines();
  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += "\r\n";
    joined += lines[i];
    AddLine(lines[i]);
  }
  SetValue(joined);
}

}  // namespace textlib
