// TextBuffer: quoted-printable bodies and MIME encoded words in header fields
// ("=?" charset "?" B or Q "?" text "?=").
#include <string>

#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

constexpr char kUpperHexDigits[] = "0123456789ABCDEF";
// Where a quoted-printable line is broken with a soft break.
constexpr int kSoftBreakColumn = 72;
constexpr int kCharsetNameLimit = 10;
constexpr int kDeclaredCharsetLimit = 12;

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace

void TextBuffer::QuotedPrintableEncode() {
  if (DATAEND_ == 0) return;
  std::string out;
  out.reserve(static_cast<std::size_t>(DATAEND_) + DATAEND_ / 8);
  int column = 0;
  const std::string_view v = view();
  for (std::size_t i = 0; i < v.size(); ++i) {
    const char ch = v[i];
    const auto c = static_cast<unsigned char>(ch);
    if (ch == '=') {
      out += "=3D";
      column += 3;
    } else if (c == '\t' || c == '\r' || (c >= 32 && c <= 126)) {
      out += ch;
      column += 1;
    } else if (c == '\n') {
      out += ch;
      column = 1;
    } else {
      out += '=';
      out += kUpperHexDigits[c >> 4];
      out += kUpperHexDigits[c & 0x0F];
      column += 3;
    }
    // A CR is never parted from the LF that follows it; a CR without one
    // does not hold the break back, so no run of CRs makes a line too long.
    const bool lineBreakFollows = ch == '\r' && i + 1 < v.size() && v[i + 1] == '\n';
    if (column >= kSoftBreakColumn && !lineBreakFollows) {
      out += "=\r\n";
      column = 0;
    }
  }
  SetValue(out);
}

void TextBuffer::QuotedPrintableDecode() {
  if (DATAEND_ == 0) return;
  Remove("=\r\n");
  UrlDecode("=", " ");
}

void TextBuffer::EncodeMimeWord(std::string_view charset, int kind) {
  if (DATAEND_ == 0) return;
  const std::string_view v = view();
  if (v.size() >= 4 && v.starts_with("=?") && v.ends_with("?=")) DecodeMimeWords();
  if (kind == 1) {
    Base64Encode(0);
    Prepend("B?");
  } else {
    UrlEncode(0, "=", "_");
    Prepend("Q?");
  }
  const std::string_view name = detail::clipView(charset);
  Prepend(name.empty() ? std::string("=?iso-8859-1?") : "=?" + std::string(name) + "?");
  Append("?=");
}

void TextBuffer::DecodeMimeWords() {
  if (DATAEND_ == 0) return;
  // Every word is brought into one encoding: a value holding a word with a
  // charset leaves as UTF-8.
  if (Instring("=?utf-8?", 1, 1, 0, true) > 0) {
    ToUnicode(1, kUsAsciiCodePage);
  } else if (ENCODING != 1) {
    const int open = Instring("=?");
    const int close = open == 0 ? 0 : InstringFrom("?", open + 2);
    if (close > 0) {
      const std::string_view declared = view().substr(
          static_cast<std::size_t>(open + 1),
          static_cast<std::size_t>(std::min(close - open - 2, kDeclaredCharsetLimit)));
      if (!detail::clipView(declared).empty()) ToUnicode(1, kUsAsciiCodePage);
    }
  }
  Replace("?=\r\n =?", "?==?");

  TextBuffer result;
  result.ENCODING = ENCODING;
  TextBuffer word;
  const std::string_view v = view();
  int from = 1;
  for (;;) {
    const int a = InstringFrom("=?", from);
    const int b = a == 0 ? 0 : InstringFrom("?", a + 2);
    const int c = b == 0 ? 0 : InstringFrom("?", b + 1);
    const int d = c == 0 ? 0 : InstringFrom("?=", c + 1);
    if (d == 0) break;
    if (a > from) result.Append(v.substr(static_cast<std::size_t>(from - 1), a - from));
    auto part = [&](int first, int last) {
      return v.substr(static_cast<std::size_t>(first - 1),
                      static_cast<std::size_t>(std::max(0, last - first + 1)));
    };
    const std::string charset = lowerAscii(part(a + 2, b - 1).substr(0, kCharsetNameLimit));
    const std::string_view letter = part(b + 1, c - 1);
    word.SetValue(part(c + 1, d - 1));
    int wordEncoding = 0;
    int codePage = 0;
    if (charset == "utf-8") {
      wordEncoding = 1;
    } else if (charset == "utf-16") {
      wordEncoding = 2;
    } else {
      codePage = CharsetNameToCodePage(charset);
    }
    bool decoded = true;
    if (letter == "Q" || letter == "q") {
      word.UrlDecode("=", "_");
    } else if (letter == "B" || letter == "b") {
      word.Base64Decode();
    } else {
      word.SetValue(part(a + 2, d - 1));
      decoded = false;
    }
    word.ENCODING = static_cast<std::uint8_t>(wordEncoding);
    word.ENDIAN = 0;
    if (decoded && wordEncoding != ENCODING && (ENCODING == 1 || ENCODING == 2)) {
      word.ToUnicode(ENCODING, codePage);
    }
    result.Append(word);
    from = d + 2;
  }
  if (from == 1) return;  // no word: nothing changes
  if (from <= DATAEND_) result.Append(v.substr(static_cast<std::size_t>(from - 1)));
  const std::uint8_t encoding = ENCODING;
  TakeValueFrom_(result);
  ENCODING = encoding;
}

}  // namespace textlib
