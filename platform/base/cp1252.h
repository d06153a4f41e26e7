#pragma once
// The one codec between runtime text (CP1252 bytes) and UTF-8 (disk, logs,
// SQLite columns). Qt's side of the boundary lives in platform/ui.
#include <cstdint>
#include <string>
#include <string_view>

namespace rt {

// Every CP1252 byte maps to one code point; the five bytes Windows leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same
// value, so any byte string survives a round trip.
std::string cp1252ToUtf8(std::string_view text);

// Code points without a CP1252 byte become '?', as Windows substitutes them.
// Malformed UTF-8 bytes are taken as CP1252 bytes themselves.
std::string utf8ToCp1252(std::string_view text);

char32_t cp1252ToCodePoint(unsigned char c);
// 0 when the code point has no CP1252 byte (and is not 0 itself).
int codePointToCp1252(char32_t cp);

// Fixed-width text fields: padded with spaces or cut to exactly `width` bytes.
std::string fixedWidth(std::string_view text, std::size_t width);
// Text without its trailing spaces (the runtime's CLIP).
std::string_view clip(std::string_view text);

}  // namespace rt
