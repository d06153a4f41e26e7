#pragma once
// "Código"_cp: a UTF-8 source literal turned into CP1252 bytes at compile time.
// The result is a reference to a static char array, so it converts to
// const char*, std::string and std::string_view exactly as a plain literal
// does, and never dangles. A character without a CP1252 byte, or malformed
// UTF-8, stops the build.
#include <cstddef>

namespace rt {
namespace cp_literal_detail {

template <std::size_t N>
struct Utf8Source {
  char bytes[N]{};
  consteval Utf8Source(const char (&text)[N]) {
    for (std::size_t i = 0; i < N; ++i) bytes[i] = text[i];
  }
};

// 0x80-0x9F of CP1252, in byte order; 0 marks the five undefined bytes.
inline constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

consteval unsigned char byteOf(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (unsigned i = 0; i < 32; ++i)
    if (kHighControls[i] == cp) return static_cast<unsigned char>(0x80 + i);
  throw "character without a CP1252 byte in a _cp literal";
}

// Decodes one UTF-8 sequence at `i`, advancing it.
template <std::size_t N>
consteval char32_t next(const Utf8Source<N>& s, std::size_t& i) {
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(s.bytes[k]); };
  unsigned char lead = at(i);
  std::size_t extra = lead < 0x80           ? 0
                      : (lead >> 5) == 0x6  ? 1
                      : (lead >> 4) == 0xE  ? 2
                      : (lead >> 3) == 0x1E ? 3
                                            : 9;
  if (extra == 9 || i + extra >= N) throw "malformed UTF-8 in a _cp literal";
  char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
  for (std::size_t k = 1; k <= extra; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) throw "malformed UTF-8 in a _cp literal";
    cp = (cp << 6) | (at(i + k) & 0x3F);
  }
  i += extra + 1;
  return cp;
}

template <std::size_t N>
consteval std::size_t encodedLength(const Utf8Source<N>& s) {
  std::size_t count = 0;
  for (std::size_t i = 0; i + 1 < N;) {
    byteOf(next(s, i));
    ++count;
  }
  return count;
}

template <std::size_t M>
struct Encoded {
  char chars[M + 1]{};
};

template <Utf8Source S>
consteval auto encode() {
  Encoded<encodedLength(S)> out;
  std::size_t o = 0;
  for (std::size_t i = 0; i + 1 < sizeof(S.bytes);)
    out.chars[o++] = static_cast<char>(byteOf(next(S, i)));
  return out;
}

template <Utf8Source S>
inline constexpr auto kEncoded = encode<S>();

}  // namespace cp_literal_detail

inline namespace literals {
template <cp_literal_detail::Utf8Source S>
constexpr const auto& operator""_cp() {
  return cp_literal_detail::kEncoded<S>.chars;
}
}  // namespace literals

}  // namespace rt

using namespace rt::literals;
