// TextBuffer: bytes as hexadecimal text and back, numbers in bases 2 to 36,
// GUID text, byte lists such as [0x61,0x62] and the readable rendering of a
// flexible polyline.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/number_text.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

constexpr char kLowerDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr char kUpperDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

bool validBase(int base) { return base >= 2 && base <= 36; }

BufferRef newBlock(const std::string& bytes) {
  if (bytes.empty()) return {};
  auto* block = static_cast<char*>(std::malloc(bytes.size()));
  if (block == nullptr) return {};
  std::memcpy(block, bytes.data(), bytes.size());
  return {block, static_cast<int>(bytes.size())};
}

std::string hexOf(const unsigned char* data, std::size_t count, bool upper) {
  const char* digits = upper ? kUpperDigits : kLowerDigits;
  std::string out(count * 2, '\0');
  for (std::size_t i = 0; i < count; ++i) {
    out[2 * i] = digits[data[i] >> 4];
    out[2 * i + 1] = digits[data[i] & 15];
  }
  return out;
}

std::string bytesOfHex(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 2);
  int waiting = -1;
  for (char c : text) {
    const int v = detail::hexDigitValue(static_cast<unsigned char>(c));
    if (v < 0) continue;
    if (waiting < 0) {
      waiting = v;
    } else {
      out.push_back(static_cast<char>(waiting << 4 | v));
      waiting = -1;
    }
  }
  return out;
}

}  // namespace

std::string TextBuffer::ByteToHex(int byte) {
  const auto b = static_cast<unsigned char>(byte);
  return {kLowerDigits[b >> 4], kLowerDigits[b & 15]};
}

int TextBuffer::HexToByte(std::string_view text) {
  if (text.empty() || text.size() > 2) return 0;
  return static_cast<int>(StringToLong(text, 16)) & 0xFF;
}

std::string TextBuffer::LongToHex(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  const unsigned char big[4] = {static_cast<unsigned char>(v >> 24),
                                static_cast<unsigned char>(v >> 16),
                                static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
  return hexOf(big, 4, false);
}

BufferRef TextBuffer::BytesToHex(int letterCase, const void* address, int length, int count) {
  if (address == nullptr || length < 1) return {};
  const std::string_view data(static_cast<const char*>(address), static_cast<std::size_t>(length));
  std::size_t n = count > 0 && count < length ? static_cast<std::size_t>(count) : data.size();
  if (count == 0) n = detail::clipView(data).size();
  return newBlock(
      hexOf(reinterpret_cast<const unsigned char*>(data.data()), n, letterCase == kHexUpper));
}

BufferRef TextBuffer::StringToHex(std::string_view text, int letterCase, int count) {
  return BytesToHex(letterCase, text.data(), static_cast<int>(text.size()), count);
}

BufferRef TextBuffer::HexToBytes(std::string_view text) { return newBlock(bytesOfHex(text)); }

void TextBuffer::ToHex(int letterCase, bool spaced) {
  if (DATAEND_ == 0) return;
  SetValue(hexOf(reinterpret_cast<const unsigned char*>(VALUE.address),
                 static_cast<std::size_t>(DATAEND_), letterCase == kHexUpper));
  if (spaced) InsertEvery(" ", 2);
}

void TextBuffer::FromHex() {
  const std::string bytes = bytesOfHex(view());
  if (bytes.empty()) {
    SetEmpty();
  } else {
    SetValue(bytes);
  }
}

void TextBuffer::FormatGuid(int flags) {
  if (DATAEND_ != 16) return;
  const std::string digits =
      hexOf(reinterpret_cast<const unsigned char*>(VALUE.address), 16, false);
  std::string text;
  if (flags & kGuidNoDashes) {
    text = digits;
  } else {
    text = digits.substr(0, 8) + "-" + digits.substr(8, 4) + "-" + digits.substr(12, 4) + "-" +
           digits.substr(16, 4) + "-" + digits.substr(20);
  }
  if (flags & kGuidBraces) text = "{" + text + "}";
  SetValue(text);
}

// ---- Number bases -------------------------------------------------------------

std::string TextBuffer::LongToString(std::int32_t value, int base, bool lowerCase) {
  if (value == 0 || !validBase(base)) return "0";
  const char* digits = lowerCase ? kLowerDigits : kUpperDigits;
  // The magnitude in 64 bits, so the most negative number has one too.
  long long magnitude = value < 0 ? -static_cast<long long>(value) : value;
  std::string reversed;
  while (magnitude > 0) {
    reversed.push_back(digits[magnitude % base]);
    magnitude /= base;
  }
  if (value < 0) reversed.push_back('-');
  return {reversed.rbegin(), reversed.rend()};
}

std::int32_t TextBuffer::StringToLong(std::string_view text, int base) {
  if (text.empty() || !validBase(base)) return 0;
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return 0;
  bool negative = false;
  if (text[first] == '-') {
    negative = true;
    first = text.find_first_not_of(' ', first + 1);
    if (first == std::string_view::npos) return 0;
  }
  const std::string_view digits = detail::clipView(text.substr(first));
  std::uint32_t sum = 0;
  std::uint32_t place = 1;
  for (std::size_t i = digits.size(); i-- > 0;) {
    const int v = detail::digitValue(static_cast<unsigned char>(digits[i]));
    if (v < 0 || v >= base) continue;
    sum += static_cast<std::uint32_t>(v) * place;
    place *= static_cast<std::uint32_t>(base);
  }
  return static_cast<std::int32_t>(negative ? 0u - sum : sum);
}

int TextBuffer::DivideInRadix(int divisor, int& remainder, int base) {
  remainder = 0;
  if (!validBase(base)) return 1;
  // Negative divisors are refused with the trivial ones: they have no digits.
  if (DATAEND_ == 0 || divisor <= 1) return 0;
  std::string quotient;
  long long rest = 0;
  for (char c : view()) {
    const int d = detail::digitValue(static_cast<unsigned char>(c));
    rest = rest * base + (d < 0 || d >= base ? 0 : d);
    const long long q = rest / divisor;
    rest %= divisor;
    if (q != 0 || !quotient.empty()) quotient.push_back(kLowerDigits[q]);
  }
  remainder = static_cast<int>(rest);
  if (quotient.empty()) {
    SetEmpty();
  } else {
    SetValue(quotient);
  }
  return 0;
}

int TextBuffer::ConvertRadix(int fromBase, int toBase) {
  if (fromBase == toBase) return 0;
  if (!validBase(fromBase) || !validBase(toBase)) return 1;
  std::string reversed;
  while (DATAEND_ > 0) {
    int remainder = 0;
    DivideInRadix(toBase, remainder, fromBase);
    reversed.push_back(kLowerDigits[remainder]);
  }
  SetValue(std::string(reversed.rbegin(), reversed.rend()));
  return 0;
}

// ---- Byte lists ---------------------------------------------------------------

void TextBuffer::ToHexArray() {
  if (DATAEND_ == 0) {
    SetValue("[]");
    return;
  }
  std::string text;
  text.reserve(static_cast<std::size_t>(DATAEND_) * 5 + 1);
  for (int i = 0; i < DATAEND_; ++i) {
    text += i == 0 ? "[0x" : ",0x";
    text += ByteToHex(static_cast<unsigned char>(VALUE.address[i]));
  }
  text += ']';
  SetValue(text);
}

void TextBuffer::FromHexArray() {
  const std::string_view v = view();
  if (v == "[]") {
    SetEmpty();
    return;
  }
  if (v.size() < 2 || v.front() != '[' || v.back() != ']') return;
  std::string digits;
  for (char c : v) {
    if (detail::hexDigitValue(static_cast<unsigned char>(c)) >= 0) digits.push_back(c);
  }
  std::string bytes;
  for (std::size_t i = 0; i + 3 <= digits.size(); i += 3) {
    bytes.push_back(
        static_cast<char>(detail::hexDigitValue(static_cast<unsigned char>(digits[i + 1])) << 4 |
                          detail::hexDigitValue(static_cast<unsigned char>(digits[i + 2]))));
  }
  if (bytes.empty()) {
    SetEmpty();
  } else {
    SetValue(bytes);
  }
}

// ---- Polyline -------------------------------------------------------------------

void TextBuffer::PolylineDecode() {
  if (DATAEND_ < 2) return;
  constexpr std::size_t kMostNumbers = 10000;
  std::vector<long long> numbers;
  unsigned long long current = 0;
  int shift = 0;
  for (char c : view()) {
    const char* at = std::strchr(detail::kBase64UrlAlphabet, c);
    // Characters outside the alphabet carry no digits.
    if (c == '\0' || at == nullptr) continue;
    const auto v = static_cast<unsigned long long>(at - detail::kBase64UrlAlphabet);
    if (shift < 64) current |= (v & 31) << shift;
    shift += 5;
    if (v & 32) continue;
    if (numbers.size() < kMostNumbers) {
      if (numbers.size() < 2) {
        numbers.push_back(static_cast<long long>(current));
      } else {
        numbers.push_back((current & 1) ? -static_cast<long long>((current + 1) / 2)
                                        : static_cast<long long>(current / 2));
      }
    }
    current = 0;
    shift = 0;
  }
  if (numbers.size() < 2) return;
  const long long header = numbers[1];
  const int precision = static_cast<int>(header & 15);
  const int kind = static_cast<int>((header >> 4) & 7);
  const int thirdPrecision = static_cast<int>((header >> 7) & 15);
  const int width = kind == 0 ? 2 : 3;
  std::string text = "{(" + std::to_string(precision) + ", " + std::to_string(thirdPrecision) +
                     ", " + std::to_string(kind) + "); [";
  double scale = 1;
  for (int i = 0; i < precision; ++i) scale *= 10;
  double thirdScale = 1;
  for (int i = 0; i < thirdPrecision; ++i) thirdScale *= 10;
  long long sums[3] = {0, 0, 0};
  for (std::size_t i = 2; i + width <= numbers.size(); i += width) {
    text += '(';
    for (int k = 0; k < width; ++k) {
      sums[k] += numbers[i + k];
      if (k > 0) text += ',';
      text += rt::numberText(static_cast<double>(sums[k]) / (k == 2 ? thirdScale : scale));
    }
    text += "), ";
  }
  text += "]}";
  SetValue(text);
}

}  // namespace textlib
