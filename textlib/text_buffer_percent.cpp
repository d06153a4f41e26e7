// TextBuffer: percent encoding and decoding (also the "Q" form of MIME words
// and quoted-printable, with another escape character) and file-name
// cleaning.
#include <array>
#include <cstring>
#include <string>

#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

constexpr char kUpperHexDigits[] = "0123456789ABCDEF";
constexpr char kDefaultEscape = '%';
constexpr char kDefaultSpaceReplacement[] = "+";
// What a file name may hold besides letters and digits.
constexpr char kFileNameChars[] = ".,=+-_!@ #$%(){}[]^~;'";

std::string encode(std::string_view text, int options, std::string_view escapeText,
                   std::string_view spaceText, std::string_view safeText) {
  using TB = TextBuffer;
  const char escape = escapeText.empty() ? kDefaultEscape : escapeText[0];
  const std::string_view space = spaceText.empty() ? kDefaultSpaceReplacement : spaceText;
  std::array<bool, 256> safe{};
  for (char c : detail::clipView(safeText)) safe[static_cast<unsigned char>(c)] = true;
  const bool keepUnreserved = options & TB::kUrlKeepUnreserved;
  const bool keepPath = options & TB::kUrlKeepPathChars;
  const bool keepSpace = options & (TB::kUrlKeepSpace | TB::kUrlKeepSpaceAlso);
  bool questionSeen = false;
  std::string out;
  out.reserve(text.size() * 3);
  auto encoded = [&](unsigned char c) {
    out += escape;
    out += kUpperHexDigits[c >> 4];
    out += kUpperHexDigits[c & 0x0F];
  };
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    bool keep = false;
    if (ch == escape || ch == space[0]) {
      keep = false;
    } else if (detail::isWordByte(c)) {
      keep = true;
    } else if (ch == '-' || ch == '_' || ch == '~') {
      keep = keepUnreserved || safe[c];
    } else if (ch == '.') {
      keep = keepPath || keepUnreserved || safe[c];
    } else if (ch == '$' || ch == '/' || ch == '\\') {
      keep = keepPath || safe[c];
    } else if (ch == ' ') {
      if (keepSpace || safe[c]) {
        keep = true;
      } else if (options & TB::kUrlEscapeSpace) {
        out += escape;
        out += "20";
        continue;
      } else {
        out.append(space);
        continue;
      }
    } else if (ch == ':') {
      keep = (options & TB::kUrlKeepColon) || safe[c];
    } else if (ch == '&' || ch == '=') {
      keep = (options & TB::kUrlKeepQuery) || safe[c];
    } else if (ch == '?') {
      if (safe[c] || ((options & TB::kUrlKeepQuery) && !questionSeen)) {
        keep = true;
        questionSeen = true;
      }
    } else {
      keep = safe[c];
    }
    if (keep) {
      out += ch;
    } else {
      encoded(c);
    }
  }
  return out;
}

}  // namespace

void TextBuffer::UrlEncode(int options, std::string_view escape, std::string_view spaceReplacement,
                           std::string_view safeChars) {
  if (DATAEND_ == 0) return;
  const std::string encoded = encode(view(), options, escape, spaceReplacement, safeChars);
  if (static_cast<int>(encoded.size()) != DATAEND_ || encoded != view()) SetValue(encoded);
}

std::string TextBuffer::UrlEncode(std::string_view text, int options, std::string_view escape,
                                  std::string_view spaceReplacement, std::string_view safeChars) {
  return encode(text, options, escape, spaceReplacement, safeChars);
}

void TextBuffer::UrlDecode(std::string_view escapeText, std::string_view spaceText) {
  if (DATAEND_ == 0) return;
  const char escape = escapeText.empty() ? kDefaultEscape : escapeText[0];
  const std::string_view space = spaceText.empty() ? kDefaultSpaceReplacement : spaceText;
  if (!detail::clipView(space).empty()) {
    if (space.size() == 1) {
      ReplaceChar(detail::byteAt(space, 0), ' ');
    } else {
      Replace(space, " ");
    }
  }
  char* v = VALUE.address;
  const int length = DATAEND_;
  const char* found = static_cast<const char*>(std::memchr(v, escape, length));
  if (found == nullptr) return;
  int write = static_cast<int>(found - v);
  int read = write;
  while (read < length) {
    if (v[read] == escape && read < length - 2) {
      const int high = detail::hexDigitValue(static_cast<unsigned char>(v[read + 1]));
      const int low = detail::hexDigitValue(static_cast<unsigned char>(v[read + 2]));
      if (high >= 0 && low >= 0) {
        v[write++] = static_cast<char>(high * 16 + low);
        read += 3;
        continue;
      }
    }
    v[write++] = v[read++];
  }
  if (write < length) SetLength(write, false);
}

std::string TextBuffer::CleanFileName(std::string_view text, std::string_view replacement,
                                      bool allowPath) {
  const std::string_view with =
      replacement.empty() ? std::string_view("_") : replacement.substr(0, 1);
  std::string allowed = kFileNameChars;
  if (allowPath) allowed += '\\';
  TextBuffer temp;
  TextBuffer& target = text.empty() ? *this : temp;
  if (!text.empty()) temp.SetValue(text);
  if (target.Length() == 0) return {};
  const bool drive = allowPath && target.Length() >= 2 && target.GetAddress()[1] == ':';
  target.KeepAllowedChars(allowed, with, true);
  if (drive) target.GetAddress()[1] = ':';
  if (text.empty()) return target.GetValue();
  return std::string(detail::clipView(target.GetValueRef()));
}

}  // namespace textlib
