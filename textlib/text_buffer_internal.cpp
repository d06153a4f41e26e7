#include "textlib/text_buffer_internal.h"

#include <unicode/uchar.h>

#include <array>
#include <cstring>

#include "platform/base/cp1252.h"
#include "platform/base/text_order.h"

namespace textlib::detail {
namespace {

struct CaseTables {
  std::array<unsigned char, 256> upper{};
  std::array<bool, 256> letter{};
  std::array<bool, 256> alphaNumeric{};
  CaseTables() {
    for (int c = 0; c < 256; ++c) {
      const char ch = static_cast<char>(c);
      upper[c] = static_cast<unsigned char>(rt::upperChar(ch));
      letter[c] = rt::upperChar(ch) != rt::lowerChar(ch);
      alphaNumeric[c] = u_isalnum(static_cast<UChar32>(rt::cp1252ToCodePoint(c))) != 0;
    }
  }
};

const CaseTables& tables() {
  static const CaseTables t;
  return t;
}

}  // namespace

unsigned char foldUpper(unsigned char c) { return tables().upper[c]; }

const unsigned char* foldUpperTable() { return tables().upper.data(); }

std::string upperCopy(std::string_view text) {
  const auto& up = tables().upper;
  std::string out(text.size(), '\0');
  for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(up[byteAt(text, i)]);
  return out;
}

bool hasLetters(std::string_view text) {
  const auto& letter = tables().letter;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (letter[byteAt(text, i)]) return true;
  }
  return false;
}

namespace {

// Whether the bytes from the third on are equal; short patterns compare
// inline.
inline bool sameTail(const char* at, const char* pattern, std::size_t length) {
  constexpr std::size_t kInlineCompare = 16;
  if (length > kInlineCompare) return std::memcmp(at + 2, pattern + 2, length - 2) == 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (at[i] != pattern[i]) return false;
  }
  return true;
}

}  // namespace

// A byte scan for the pattern's first byte and a comparison of the rest costs
// nothing to set up, which matters when occurrences are close together; once
// a search meets many false candidates it hands the rest of the block to the
// library's linear-time search.
std::size_t findBytes(const char* data, std::size_t length, const char* pattern,
                      std::size_t patternLength) {
  constexpr int kFalseCandidatesBeforeHandOver = 32;
  if (patternLength == 0 || data == nullptr || length < patternLength)
    return std::string_view::npos;
  if (patternLength == 1) {
    const void* hit = std::memchr(data, pattern[0], length);
    return hit == nullptr ? std::string_view::npos
                          : static_cast<std::size_t>(static_cast<const char*>(hit) - data);
  }
  const char* end = data + length;
  const char* lastStart = end - patternLength;
  const char* p = data;
  for (int misses = 0; misses < kFalseCandidatesBeforeHandOver; ++misses) {
    p = static_cast<const char*>(
        std::memchr(p, pattern[0], static_cast<std::size_t>(lastStart - p) + 1));
    if (p == nullptr) return std::string_view::npos;
    if (p[1] == pattern[1] && sameTail(p, pattern, patternLength)) {
      return static_cast<std::size_t>(p - data);
    }
    if (++p > lastStart) return std::string_view::npos;
  }
  const void* hit = memmem(p, static_cast<std::size_t>(end - p), pattern, patternLength);
  return hit == nullptr ? std::string_view::npos
                        : static_cast<std::size_t>(static_cast<const char*>(hit) - data);
}

int findInRange(std::string_view hay, std::string_view pattern, int first, int last) {
  if (first < 1 || last > static_cast<int>(hay.size()) || last < first) return 0;
  const std::size_t at =
      findBytes(hay.data() + first - 1, static_cast<std::size_t>(last - first + 1), pattern.data(),
                pattern.size());
  return at == std::string_view::npos ? 0 : first + static_cast<int>(at);
}

bool isSystemAlphaNumeric(unsigned char c) { return tables().alphaNumeric[c]; }

}  // namespace textlib::detail
