// TextBuffer: escaping the value for XML/HTML character data, JSON strings and
// CSV fields, and undoing it.
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

constexpr std::string_view kPredefinedEntities[] = {"&lt;", "&gt;", "&amp;", "&quot;", "&apos;"};

bool onlyOf(std::string_view text, bool (*accept)(unsigned char)) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!accept(static_cast<unsigned char>(c))) return false;
  }
  return true;
}
bool isDecimalDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(unsigned char c) { return detail::hexDigitValue(c) >= 0; }

// "&#" digits ";" or "&#x" hexadecimal digits ";".
bool isNumericReference(std::string_view reference) {
  if (!reference.starts_with("&#") || !reference.ends_with(";")) return false;
  const std::string_view body = reference.substr(2, reference.size() - 3);
  if (!body.empty() && body[0] == 'x') return onlyOf(body.substr(1), isHexDigit);
  return onlyOf(body, isDecimalDigit);
}

bool isPredefinedEntity(std::string_view reference) {
  for (std::string_view entity : kPredefinedEntities) {
    if (reference == entity) return true;
  }
  return false;
}

// Every "&" becomes "&amp;" unless it starts a reference that is to be kept.
std::string escapeAmpersands(std::string_view value, bool keepEntities) {
  std::string out;
  out.reserve(value.size() + value.size() / 8);
  std::size_t i = 0;
  while (i < value.size()) {
    const std::size_t amp = value.find('&', i);
    if (amp == std::string_view::npos) break;
    out.append(value.substr(i, amp - i));
    const std::size_t semicolon = value.find(';', amp + 1);
    if (semicolon != std::string_view::npos) {
      const std::string_view reference = value.substr(amp, semicolon - amp + 1);
      if (isNumericReference(reference) || (keepEntities && isPredefinedEntity(reference))) {
        out.append(reference);
        i = semicolon + 1;
        continue;
      }
    }
    out += "&amp;";
    i = amp + 1;
  }
  out.append(value.substr(i));
  return out;
}

std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

}  // namespace

// ---- XML ------------------------------------------------------------------

void TextBuffer::XmlEncode(int options) {
  if ((options & (kXmlKeepReferences | kXmlKeepNumericReferences)) != 0) {
    if (FindByte('&') != 0) {
      SetValue(escapeAmpersands(view(), (options & kXmlKeepReferences) != 0));
    }
  } else {
    Replace("&", "&amp;");
  }
  Replace("<", "&lt;");
  Replace(">", "&gt;");
  Replace("\"", "&quot;");
  Replace("'", "&apos;");
  if ((options & kXmlEscapePercent) != 0) Replace("%", "&#37;");
  Replace(std::string_view("\0", 1), "&#0;");
  if ((options & kXmlEscapeHighBytes) != 0) CharsToEntities(128, 255);
}

// One pass, so every reference is decoded once: "&amp;quot;" gives "&quot;",
// as "&amp;lt;" gives "&lt;". Replacing each entity over the whole value in
// turn would decode "&amp;quot;" twice, to a double quote.
void TextBuffer::XmlDecode() {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
  const std::string_view value = view();
  if (value.find('&') == std::string_view::npos) return;
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size();) {
    bool decoded = false;
    if (value[i] == '&') {
      for (const auto& [entity, character] : kEntities) {
        if (value.substr(i, entity.size()) == entity) {
          out += character;
          i += entity.size();
          decoded = true;
          break;
        }
      }
    }
    if (!decoded) out += value[i++];
  }
  SetValue(out);
}

// ---- JSON -----------------------------------------------------------------

void TextBuffer::JsonEncode(int options) {
  Replace("\\", "\\\\");
  Replace("\"", "\\\"");
  Replace("</", "<\\/");
  bool hasControls = false;
  for (int i = 0; i < DATAEND_ && !hasControls; ++i) {
    hasControls = static_cast<unsigned char>(VALUE.address[i]) < 32;
  }
  if (hasControls) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(static_cast<std::size_t>(DATAEND_) + 16);
    for (int i = 0; i < DATAEND_; ++i) {
      const auto c = static_cast<unsigned char>(VALUE.address[i]);
      switch (c) {
        case 8:
          out += "\\b";
          break;
        case 9:
          out += "\\t";
          break;
        case 10:
          out += "\\n";
          break;
        case 12:
          out += "\\f";
          break;
        case 13:
          out += "\\r";
          break;
        default:
          if (c < 32) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
          } else {
            out += static_cast<char>(c);
          }
      }
    }
    SetValue(out);
  }
  if ((options & kJsonEscapeLessThan) != 0) Replace("<", "\\u003C");
}

int TextBuffer::JsonDecode() {
  const std::string_view in = view();
  const int length = DATAEND_;
  if (ENCODING == 0 && (CODEPAGE == 0 || CODEPAGE == -1)) CODEPAGE = CharsetToCodePage(0, true);
  std::string out;
  out.reserve(in.size());
  int i = 0;
  while (i < length) {
    const char c = in[i];
    if (c != '\\' || i == length - 1) {
      out += c;
      ++i;
      continue;
    }
    const int backslash = i + 1;  // its 1-based position
    const char e = in[i + 1];
    switch (e) {
      case '"':
      case '/':
      case '\\':
        out += e;
        i += 2;
        continue;
      case 'b':
        out += '\b';
        i += 2;
        continue;
      case 'f':
        out += '\f';
        i += 2;
        continue;
      case 'n':
        out += '\n';
        i += 2;
        continue;
      case 'r':
        out += '\r';
        i += 2;
        continue;
      case 't':
        out += '\t';
        i += 2;
        continue;
      case 'u':
        break;
      default:
        return backslash;
    }
    const int digitCount = ENCODING == 2 ? 8 : 4;
    if (i + 2 + digitCount > length) return backslash;
    const std::string_view digits = in.substr(i + 2, digitCount);
    if (ENCODING == 2) {
      std::string hex;
      for (char d : digits) {
        if (d == '\0') continue;
        if (!isHexDigit(static_cast<unsigned char>(d))) return backslash;
        hex += d;
      }
      const BufferRef bytes = HexToBytes(hex);
      if (bytes.address != nullptr) out.append(bytes.address, bytes.size);
      std::free(bytes.address);
    } else if (ENCODING == 0 && digits.starts_with("00")) {
      if (!onlyOf(digits.substr(2), isHexDigit)) return backslash;
      out += static_cast<char>(StringToLong(digits.substr(2), 16));
    } else {
      if (!onlyOf(digits, isHexDigit)) return backslash;
      const std::int32_t unit = StringToLong(digits, 16);
      const char bytes[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
      if (ENCODING == 1) {
        int n = 0;
        out += CodeUnitToUtf8({bytes, 2}, n);
      } else {
        int count = 0;
        const BufferRef narrow = Utf16ToAnsi(2, bytes, CODEPAGE, 1, count);
        if (narrow.address != nullptr && narrow.size > 0) out += narrow.address[0];
        std::free(narrow.address);
      }
    }
    i += 2 + digitCount;
  }
  if (static_cast<int>(out.size()) != length) SetValue(out);
  return 0;
}

// ---- CSV ------------------------------------------------------------------

std::string TextBuffer::CsvQuote() {
  if (ContainsAny(",\"\r\n")) SetValue(quoted(view()));
  return GetValue();
}

std::string TextBuffer::CsvQuoteText(std::string_view text) {
  TextBuffer temporary;
  temporary.SetValue(text);
  return temporary.CsvQuote();
}

std::string TextBuffer::CsvQuoteWith(std::string_view separator, std::string_view lineEnd,
                                     bool alwaysQuote) {
  bool quote = alwaysQuote;
  if (!quote) {
    const std::string_view clipped = detail::clipView(separator);
    const char separatorChar = clipped.empty() ? ',' : clipped[0];
    quote = FindByte(static_cast<unsigned char>(separatorChar)) != 0 || FindByte('"') != 0 ||
            InstringValue_(lineEnd.empty() ? std::string_view("\r\n") : lineEnd) != 0;
  }
  if (quote) SetValue(quoted(view()));
  return GetValue();
}

std::string TextBuffer::CsvQuoteTextWith(std::string_view text, std::string_view separator,
                                         std::string_view lineEnd, bool alwaysQuote) {
  TextBuffer temporary;
  temporary.SetValue(text);
  return temporary.CsvQuoteWith(separator, lineEnd, alwaysQuote);
}

std::string TextBuffer::CsvUnquote() {
  if (DATAEND_ >= 2 && VALUE.address[0] == '"' && VALUE.address[DATAEND_ - 1] == '"') {
    const std::string_view inner = view().substr(1, DATAEND_ - 2);
    std::string out;
    out.reserve(inner.size());
    for (std::size_t i = 0; i < inner.size(); ++i) {
      out += inner[i];
      if (inner[i] == '"' && i + 1 < inner.size() && inner[i + 1] == '"') ++i;
    }
    SetValue(out);
  }
  return GetValue();
}

std::string TextBuffer::CsvUnquoteText(std::string_view text) {
  TextBuffer temporary;
  temporary.SetValue(text);
  return temporary.CsvUnquote();
}

}  // namespace textlib
