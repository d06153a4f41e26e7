// TextBuffer: HTML character references: bytes to numeric references, named
// references to numeric ones, and numeric references to characters.
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

struct NamedReference {
  const char* name;
  int code;
};

// Applied in this order: a row's numeric reference is never rescanned by a
// later row, so the order only matters for overlapping names.
constexpr NamedReference kNamedReferences[] = {
    {"nbsp", 160},   {"lt", 60},      {"gt", 62},      {"amp", 38},      {"quot", 34},
    {"apos", 39},    {"iexcl", 161},  {"iquest", 191}, {"brvbar", 166},  {"sect", 167},
    {"uml", 168},    {"laquo", 171},  {"raquo", 187},  {"ldquo", 8220},  {"rdquo", 8221},
    {"acute", 180},  {"para", 182},   {"middot", 183}, {"cedil", 184},   {"bull", 8226},
    {"cent", 162},   {"pound", 163},  {"curren", 164}, {"yen", 165},     {"euro", 8364},
    {"copy", 169},   {"reg", 174},    {"trade", 8482}, {"forall", 8704}, {"part", 8706},
    {"exist", 8707}, {"empty", 8709}, {"nabla", 8711}, {"isin", 8712},   {"notin", 8713},
    {"ni", 8715},    {"prod", 8719},  {"sum", 8721},   {"not", 172},     {"deg", 176},
    {"plusmn", 177}, {"sup1", 185},   {"sup2", 178},   {"sup3", 179},    {"micro", 181},
    {"frac14", 188}, {"frac12", 189}, {"frac34", 190}, {"divide", 247},  {"Alpha", 913},
    {"Beta", 914},   {"Gamma", 915},  {"Delta", 916},  {"Epsilon", 917}, {"Zeta", 918},
    {"alpha", 945},  {"beta", 946},   {"gamma", 947},  {"delta", 948},   {"epsilon", 949},
    {"zeta", 950},   {"Agrave", 192}, {"Aacute", 193}, {"Acirc", 194},   {"Atilde", 195},
    {"Auml", 196},   {"Aring", 197},  {"AElig", 198},  {"Ccedil", 199},  {"Egrave", 200},
    {"Eacute", 201}, {"Ecirc", 202},  {"Euml", 203},   {"Igrave", 204},  {"Iacute", 205},
    {"Icirc", 206},  {"Iuml", 207},   {"ETH", 208},    {"Ntilde", 209},  {"Ograve", 210},
    {"Oacute", 211}, {"Ocirc", 212},  {"Otilde", 213}, {"Ouml", 214},    {"times", 215},
    {"Oslash", 216}, {"Ugrave", 217}, {"Uacute", 218}, {"Ucirc", 219},   {"Uuml", 220},
    {"Yacute", 221}, {"THORN", 222},  {"szlig", 223},  {"agrave", 224},  {"aacute", 225},
    {"acirc", 226},  {"atilde", 227}, {"auml", 228},   {"aring", 229},   {"aelig", 230},
    {"ccedil", 231}, {"egrave", 232}, {"eacute", 233}, {"ecirc", 234},   {"euml", 235},
    {"igrave", 236}, {"iacute", 237}, {"icirc", 238},  {"iuml", 239},    {"eth", 240},
    {"ntilde", 241}, {"ograve", 242}, {"oacute", 243}, {"ocirc", 244},   {"otilde", 245},
    {"ouml", 246},   {"oslash", 248}, {"ugrave", 249}, {"uacute", 250},  {"ucirc", 251},
    {"uuml", 252},   {"yacute", 253}, {"thorn", 254},  {"yuml", 255},    {"fnof", 402},
};
static_assert(std::size(kNamedReferences) == 125);

// The code of a numeric reference's digits (the text between "&#" and ";"),
// or -1 when they are not a decimal or "x"-prefixed hexadecimal number.
std::int32_t referenceCode(std::string_view digits) {
  if (digits.empty()) return -1;
  if (digits[0] == 'x' || digits[0] == 'X') {
    const std::string_view hex = digits.substr(1);
    if (hex.empty()) return -1;
    for (char c : hex) {
      if (detail::hexDigitValue(static_cast<unsigned char>(c)) < 0) return -1;
    }
    return TextBuffer::StringToLong(hex, 16);
  }
  std::int32_t code = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    code = code * 10 + (c - '0');
  }
  return code;
}

}  // namespace

void TextBuffer::CharsToEntities(int fromCode, int toCode) {
  if (fromCode < 0) fromCode = 128;
  if (toCode >= 256) toCode = 255;
  if (toCode < fromCode || DATAEND_ == 0) return;
  auto qualifies = [&](unsigned char c) { return c >= fromCode && c <= toCode; };
  auto referenceLength = [](unsigned char c) { return c < 10 ? 4 : c < 100 ? 5 : 6; };
  int growth = 0;
  for (int i = 0; i < DATAEND_; ++i) {
    const auto c = static_cast<unsigned char>(VALUE.address[i]);
    if (qualifies(c)) growth += referenceLength(c) - 1;
  }
  if (growth == 0) return;
  const int oldLength = DATAEND_;
  SetLength(oldLength + growth, false);
  if (DATAEND_ != oldLength + growth) return;
  // Filled from the end, so every byte is read before it is overwritten.
  char* data = VALUE.address;
  int write = DATAEND_;
  for (int read = oldLength - 1; read >= 0; --read) {
    const auto c = static_cast<unsigned char>(data[read]);
    if (!qualifies(c)) {
      data[--write] = static_cast<char>(c);
      continue;
    }
    const std::string reference = "&#" + std::to_string(c) + ";";
    write -= static_cast<int>(reference.size());
    std::memcpy(data + write, reference.data(), reference.size());
  }
}

void TextBuffer::NamedToNumericEntities() {
  if (FindByte('&') == 0) return;
  for (const NamedReference& row : kNamedReferences) {
    Replace("&" + std::string(row.name) + ";", "&#" + std::to_string(row.code) + ";");
  }
}

int TextBuffer::DecEntityToChar() {
  const std::string_view value = view();
  const int length = DATAEND_;
  std::string out;
  int copied = 0;  // bytes of the value already handed to `out`
  int replaced = 0;
  bool changed = false;
  int from = 1;
  for (;;) {
    const int s = from > length - 1 ? 0 : detail::findInRange(value, "&#", from, length);
    if (s == 0) break;
    from = s + 1;
    const int semicolon = FindByte(';', s + 2, s + 9 > length ? length : s + 9);
    if (semicolon == 0 || semicolon == s + 2) continue;
    const std::string_view reference = value.substr(s - 1, semicolon - s + 1);
    const std::int32_t code = referenceCode(reference.substr(2, reference.size() - 3));
    if (code < 0) continue;
    std::string replacement;
    switch (ENCODING) {
      case 0:
        if (code >= 256) {
          RecordError(
              "TextBuffer.DecEntityToChar",
              "String is in ANSI mode, but contains Unicode entity " + std::string(reference));
          continue;
        }
        replacement.assign(1, static_cast<char>(code));
        break;
      case 1:
      case 2: {
        if (code > 0x10FFFF || U_IS_SURROGATE(code)) {
          RecordError("TextBuffer.DecEntityToChar",
                      "String contains an entity that is not a Unicode character " +
                          std::string(reference));
          continue;
        }
        if (ENCODING == 1) {
          char bytes[U8_MAX_LENGTH];
          int n = 0;
          U8_APPEND_UNSAFE(bytes, n, code);
          replacement.assign(bytes, n);
        } else {
          char16_t units[2];
          int n = 0;
          U16_APPEND_UNSAFE(units, n, code);
          for (int u = 0; u < n; ++u) {
            replacement.push_back(static_cast<char>(units[u] & 0xFF));
            replacement.push_back(static_cast<char>(units[u] >> 8));
          }
        }
        break;
      }
      default:
        RecordError("TextBuffer.DecEntityToChar",
                    "String is has entity " + std::string(reference) +
                        " but unexpected encoding so no changes made.");
        from = length + 1;
        continue;
    }
    out.append(value.substr(copied, s - 1 - copied));
    out += replacement;
    copied = semicolon;
    from = semicolon + 1;
    changed = true;
    ++replaced;
  }
  if (changed) {
    out.append(value.substr(copied));
    SetValue(out);
  }
  return replaced;
}

}  // namespace textlib
