// TextBuffer: Base32 (standard, extended hex and caller's alphabets) and
// Ascii85 encoding and decoding of the value.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/text_order.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

constexpr std::string_view kBase32Default = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567=";
constexpr std::string_view kBase32ExtendedHex = "0123456789ABCDEFGHIJKLMNOPQRSTUV=";
constexpr int kBase32LineLength = 75;
constexpr int kAscii85LineLength = 75;
constexpr int kDetectionWindow = 1000;

bool isFormatting(char c) { return c == '\r' || c == '\n' || c == ' ' || c == '\t'; }

// Symbol values of an alphabet: 0-31 digits, 32 the pad, -1 anything else.
std::array<int, 256> symbolValues(std::string_view alphabet) {
  std::array<int, 256> values;
  values.fill(-1);
  values[static_cast<unsigned char>(alphabet[32])] = 32;
  for (int i = 31; i >= 0; --i) values[static_cast<unsigned char>(alphabet[i])] = i;
  return values;
}

bool fitsAlphabet(std::string_view value, std::string_view alphabet) {
  const std::string_view head = value.substr(0, kDetectionWindow);
  for (char c : head) {
    if (alphabet.find(c) == std::string_view::npos && !isFormatting(c)) return false;
  }
  return true;
}

// The alphabet of `given`, or an error text.
std::string chooseAlphabet(std::string_view given, std::string& alphabet) {
  if (given.empty()) {
    alphabet = kBase32Default;
  } else if (given.size() == 33) {
    alphabet = given;
  } else if (given.size() == 32) {
    alphabet = std::string(given) + "=";
  } else {
    return "Provided alphabet is incorrect length";
  }
  return {};
}

std::string validateAlphabet(const std::string& alphabet) {
  const char pad = alphabet[32];
  const std::string quoted = std::string("\"") + pad + "\"";
  if (alphabet.substr(0, 32).find(pad) != std::string::npos) {
    return "Pad character " + quoted + " was included in alphabet";
  }
  if (rt::upperChar(pad) != rt::lowerChar(pad)) return "Invalid Pad character " + quoted;
  for (char c : alphabet) {
    if (isFormatting(c)) return "Alphabet contains a formatting character (CR LF space tab)";
  }
  return {};
}

// Bytes lost to the pad symbols of a final group.
int bytesLostToPads(int pads) {
  switch (pads) {
    case 1:
      return 1;
    case 3:
      return 2;
    case 4:
      return 3;
    case 6:
      return 4;
    default:
      return -1;
  }
}

}  // namespace

int TextBuffer::Base32Encode(std::string_view given, int options) {
  std::string alphabet;
  const std::string problem = chooseAlphabet(given, alphabet);
  if (!problem.empty()) {
    SetEmpty();
    RecordError("Base32Encode", problem, true);
    return 1;
  }
  if (DATAEND_ == 0) return 0;
  const auto* in = reinterpret_cast<const unsigned char*>(VALUE.address);
  const std::size_t length = static_cast<std::size_t>(DATAEND_);
  std::string out;
  out.reserve((length + 4) / 5 * 8);
  static constexpr int kSymbolsOfTail[5] = {0, 2, 4, 5, 7};
  for (std::size_t at = 0; at < length; at += 5) {
    const std::size_t n = std::min<std::size_t>(5, length - at);
    std::uint64_t group = 0;
    for (std::size_t k = 0; k < 5; ++k) group = group << 8 | (k < n ? in[at + k] : 0);
    const int symbols = n == 5 ? 8 : kSymbolsOfTail[n];
    for (int k = 0; k < symbols; ++k) out.push_back(alphabet[(group >> (35 - 5 * k)) & 31]);
    if (!(options & kBase32NoPadding))
      out.append(static_cast<std::size_t>(8 - symbols), alphabet[32]);
  }
  SetValue(out);
  if (!(options & kBase32NoWrap)) InsertEvery("\r\n", kBase32LineLength);
  return 0;
}

int TextBuffer::Base32Decode(std::string_view given, int options) {
  auto fail = [this](const std::string& text) {
    SetEmpty();
    RecordError("Base32Decode", text, true);
    return 1;
  };
  std::string alphabet;
  std::string problem = chooseAlphabet(given, alphabet);
  if (problem.empty() && !given.empty()) problem = validateAlphabet(alphabet);
  if (!problem.empty()) return fail(problem);
  if (DATAEND_ == 0) return 0;
  std::string text(view());
  if (options & kBase32DetectAlphabet) {
    text = rt::upper(text);
    std::vector<std::string> candidates;
    if (!given.empty()) candidates.push_back(rt::upper(alphabet));
    candidates.emplace_back(kBase32Default);
    candidates.emplace_back(kBase32ExtendedHex);
    bool found = false;
    for (const std::string& candidate : candidates) {
      if (fitsAlphabet(text, candidate)) {
        alphabet = candidate;
        found = true;
        break;
      }
    }
    if (!found) return fail("Unable to detect base32 encoding");
  }
  const std::array<int, 256> values = symbolValues(alphabet);
  const char pad = alphabet[32];
  std::string clean;
  clean.reserve(text.size());
  if (options & kBase32Lenient) {
    for (char c : text) {
      if (values[static_cast<unsigned char>(c)] >= 0) clean.push_back(c);
    }
    clean.append((8 - clean.size() % 8) % 8, pad);
  } else {
    for (char c : text) {
      if (!isFormatting(c)) clean.push_back(c);
    }
    if (clean.size() % 8 != 0) return fail("Cleaned input is not a multiple of 8 characters");
  }
  if (clean.empty()) {
    SetEmpty();
    return 0;
  }
  const std::size_t firstPad = clean.find(pad);
  int lost = 0;
  if (firstPad != std::string::npos) {
    if (firstPad + 6 < clean.size()) {
      return fail(std::string("Invalid padding character \"") + pad + "\" found");
    }
    int pads = 0;
    for (std::size_t i = firstPad; i < clean.size(); ++i) pads += clean[i] == pad ? 1 : 0;
    lost = bytesLostToPads(pads);
    if (lost < 0) return fail("Invalid number of padding characters found");
  }
  std::string out;
  out.reserve(clean.size() / 8 * 5);
  for (std::size_t at = 0; at < clean.size(); at += 8) {
    std::uint64_t group = 0;
    for (std::size_t k = 0; k < 8; ++k) {
      int v = values[static_cast<unsigned char>(clean[at + k])];
      if (v < 0) return fail("Invalid character found");
      if (v == 32) v = 0;
      group = group << 5 | static_cast<std::uint64_t>(v);
    }
    for (int k = 4; k >= 0; --k) out.push_back(static_cast<char>(group >> (8 * k)));
  }
  out.resize(out.size() - static_cast<std::size_t>(lost));
  SetValue(out);
  return 0;
}

void TextBuffer::Ascii85Encode(int options) {
  if (DATAEND_ == 0) return;
  const auto* in = reinterpret_cast<const unsigned char*>(VALUE.address);
  const std::size_t length = static_cast<std::size_t>(DATAEND_);
  const bool delimiters = (options & kAscii85Delimiters) != 0;
  std::string out;
  out.reserve(length / 4 * 5 + 10);
  if (delimiters) out += "<~";
  for (std::size_t at = 0; at < length; at += 4) {
    const std::size_t n = std::min<std::size_t>(4, length - at);
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 4; ++k) group = group << 8 | (k < n ? in[at + k] : 0u);
    if (n == 4 && group == 0) {
      out.push_back('z');
      continue;
    }
    if (n == 4 && group == 0x20202020u && !delimiters) {
      out.push_back('y');
      continue;
    }
    char digits[5];
    for (int k = 4; k >= 0; --k) {
      digits[k] = static_cast<char>(group % 85 + 33);
      group /= 85;
    }
    out.append(digits, n + 1);
  }
  if (delimiters) out += "~>";
  SetValue(out);
  if (!(options & kAscii85NoWrap)) {
    InsertEvery("\r\n", kAscii85LineLength);
    // A line break that split the closing "~>".
    if (delimiters && view().ends_with("\r\n>")) {
      shrinkTo(DATAEND_ - 3);
      Append(">");
    }
  }
}

int TextBuffer::Ascii85Decode() {
  if (DATAEND_ == 0) return 0;
  int from = 0;
  if (DATAEND_ > 3 && view().starts_with("<~") && view().ends_with("~>")) {
    shrinkTo(DATAEND_ - 2);
    from = 2;
  }
  const std::string_view text = view();
  std::string out;
  out.reserve(text.size() / 5 * 4 + 4);
  std::uint64_t group = 0;
  int digits = 0;
  for (std::size_t i = static_cast<std::size_t>(from); i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const int position = static_cast<int>(i) + 1;
    if (c >= '!' && c <= 'u') {
      group = group * 85 + (c - 33);
      if (++digits == 5) {
        // Five digits beyond the 32-bit range are no Ascii85 group.
        if (group > 0xFFFFFFFFull) return position;
        for (int k = 3; k >= 0; --k) out.push_back(static_cast<char>(group >> (8 * k)));
        group = 0;
        digits = 0;
      }
    } else if ((c == 'z' || c == 'y') && digits == 0) {
      out.append(4, c == 'z' ? '\0' : ' ');
    } else if ((c >= 8 && c <= 13) || c == ' ') {
      continue;
    } else {
      return position;
    }
  }
  if (digits >= 2) {
    const int bytes = digits - 1;
    for (; digits < 5; ++digits) group = group * 85 + 84;
    for (int k = 0; k < bytes; ++k) out.push_back(static_cast<char>(group >> (8 * (3 - k))));
  }
  if (out.empty()) {
    SetEmpty();
  } else {
    SetValue(out);
  }
  return 0;
}

}  // namespace textlib
