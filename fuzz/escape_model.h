#pragma once
// Shared by the fuzz targets of the escaping encoders: a failed check stops
// the run, and a plain model of escape decoding to compare with.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzmodel {

inline void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
  }
}

inline int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Every `space` becomes a blank (unless it is one), then every escape
// followed by two hexadecimal digits, not among the last two characters,
// becomes the byte.
inline std::string decodeEscapes(std::string text, char escape, char space) {
  if (space != ' ') {
    for (char& c : text) {
      if (c == space) c = ' ';
    }
  }
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == escape && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 &&
        hexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace fuzzmodel
