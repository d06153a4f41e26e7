// TextBuffer: Base64 encoding and decoding of the value (the standard and the
// URL-safe alphabet, MIME line length).
#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

constexpr int kLineSymbols = 76;
constexpr int kLineBytes = kLineSymbols / 4 * 3;  // input bytes of one full line
constexpr unsigned char kSkip = 255;
constexpr unsigned char kPad = 64;

// Two output symbols for every 12-bit value, so that three input bytes are
// written with two table loads.
struct PairTable {
  std::array<std::uint16_t, 4096> pairs{};
  explicit PairTable(const char* alphabet) {
    for (int v = 0; v < 4096; ++v) {
      const char two[2] = {alphabet[v >> 6], alphabet[v & 63]};
      std::memcpy(&pairs[static_cast<std::size_t>(v)], two, 2);
    }
  }
};

const PairTable& pairTable(bool urlSafe) {
  static const PairTable standard(detail::kBase64Alphabet);
  static const PairTable url(detail::kBase64UrlAlphabet);
  return urlSafe ? url : standard;
}

// Symbol values of both alphabets at once; '=' is a pad, everything else is
// skipped.
struct DecodeTable {
  std::array<unsigned char, 256> values{};
  DecodeTable() {
    values.fill(kSkip);
    for (int i = 0; i < 64; ++i) {
      values[static_cast<unsigned char>(detail::kBase64Alphabet[i])] =
          static_cast<unsigned char>(i);
      values[static_cast<unsigned char>(detail::kBase64UrlAlphabet[i])] =
          static_cast<unsigned char>(i);
    }
    values['='] = kPad;
  }
};

const DecodeTable& decodeTable() {
  static const DecodeTable table;
  return table;
}

// Whole groups of three bytes; returns the symbols written (4 per group).
inline char* encodeGroups(const unsigned char* in, std::size_t groups, char* out,
                          const std::uint16_t* pairs) {
  for (std::size_t g = 0; g < groups; ++g, in += 3, out += 4) {
    const std::uint32_t v = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
    std::memcpy(out, &pairs[v >> 12], 2);
    std::memcpy(out + 2, &pairs[v & 0xFFF], 2);
  }
  return out;
}

long long encodedLength(long long inputLength, bool wrap) {
  const long long symbols = (inputLength + 2) / 3 * 4;
  if (!wrap || symbols == 0) return symbols;
  return symbols + symbols / kLineSymbols * 2 - (symbols % kLineSymbols == 0 ? 2 : 0);
}

// Encodes `length` bytes into `out`, which must hold encodedLength() bytes.
std::size_t encodeAll(const unsigned char* in, std::size_t length, char* out, bool wrap,
                      bool urlSafe) {
  const std::uint16_t* pairs = pairTable(urlSafe).pairs.data();
  const char* alphabet = urlSafe ? detail::kBase64UrlAlphabet : detail::kBase64Alphabet;
  char* const start = out;
  if (wrap) {
    while (length > static_cast<std::size_t>(kLineBytes)) {
      out = encodeGroups(in, kLineBytes / 3, out, pairs);
      *out++ = '\r';
      *out++ = '\n';
      in += kLineBytes;
      length -= kLineBytes;
    }
  }
  out = encodeGroups(in, length / 3, out, pairs);
  in += length / 3 * 3;
  const std::size_t rest = length % 3;
  if (rest > 0) {
    const std::uint32_t v = (std::uint32_t{in[0]} << 16) | (rest == 2 ? in[1] << 8 : 0);
    out[0] = alphabet[v >> 18];
    out[1] = alphabet[(v >> 12) & 63];
    out[2] = rest == 2 ? alphabet[(v >> 6) & 63] : '=';
    out[3] = '=';
    out += 4;
  }
  return static_cast<std::size_t>(out - start);
}

}  // namespace

int TextBuffer::Base64Encode(char* destination, int destinationSize, int& length) {
  const int inputLength = (length < 1 || length > DATAEND_) ? DATAEND_ : length;
  const bool wrap = !BASE64NOWRAP;
  const long long needed = encodedLength(inputLength, wrap);
  const auto* in = reinterpret_cast<const unsigned char*>(VALUE.address);
  if (destination != nullptr && needed <= destinationSize) {
    length = static_cast<int>(
        encodeAll(in, static_cast<std::size_t>(inputLength), destination, wrap, BASE64URLSAFE));
    return 0;
  }
  int written = 0;
  if (destination != nullptr && destinationSize > 0) {
    std::string whole(static_cast<std::size_t>(needed), '\0');
    encodeAll(in, static_cast<std::size_t>(inputLength), whole.data(), wrap, BASE64URLSAFE);
    written = destinationSize;
    std::memcpy(destination, whole.data(), static_cast<std::size_t>(written));
  }
  length = written;
  RecordError("Base64Encode",
              "The passed string of length " + std::to_string(destinationSize) +
                  " was not large enough to hold Base64 encoded data of length " +
                  std::to_string(needed) + ". The data has been truncated to " +
                  std::to_string(written) + ".",
              true);
  return 1;
}

int TextBuffer::Base64Encode(int options) {
  if (BASE64) {
    DebugOut("Base64Encode: String is Already base 64 encoded : base64 property is true");
    return 0;
  }
  if (DATAEND_ == 0) return 0;
  const std::uint8_t savedNoWrap = BASE64NOWRAP;
  if (options & (kBase64NoWrap | kBase64UrlSafe)) BASE64NOWRAP = 1;
  BASE64URLSAFE = (options & kBase64UrlSafe) ? 1 : 0;
  long long size = (static_cast<long long>(DATAEND_) + 2) / 3 * 4;
  if (!BASE64NOWRAP) size += size / kLineSymbols * 2 + 2;
  void* block = size > INT_MAX ? nullptr : std::malloc(static_cast<std::size_t>(size));
  if (block == nullptr) {
    RecordError("Base64Encode",
                "Memory allocation failed trying to get " + std::to_string(size) + " bytes.", true);
    BASE64NOWRAP = savedNoWrap;
    return 0;
  }
  int written = 0;
  const int result = Base64Encode(static_cast<char*>(block), static_cast<int>(size), written);
  SetValuePointer_(block, static_cast<int>(size), written, false);
  if (options & kBase64NoPadding) {
    int pads = 0;
    while (pads < 2 && DATAEND_ - pads > 0 && VALUE.address[DATAEND_ - pads - 1] == '=') ++pads;
    shrinkTo(DATAEND_ - pads);
  }
  BASE64 = 1;
  BASE64NOWRAP = savedNoWrap;
  return result;
}

int TextBuffer::Base64Decode(char* destination, int destinationSize, int& length) {
  const int count = (length < 1 || length > DATAEND_) ? DATAEND_ : length;
  const unsigned char* values = decodeTable().values.data();
  const auto* in = reinterpret_cast<const unsigned char*>(VALUE.address);
  const long long size = destination == nullptr || destinationSize < 0 ? 0 : destinationSize;
  auto* out = reinterpret_cast<unsigned char*>(destination);
  long long produced = 0;
  int pads = 0;
  std::uint32_t group = 0;
  int symbols = 0;
  auto emit = [&](std::uint32_t v) {
    if (produced + 3 <= size) {
      out[produced] = static_cast<unsigned char>(v >> 16);
      out[produced + 1] = static_cast<unsigned char>(v >> 8);
      out[produced + 2] = static_cast<unsigned char>(v);
    } else {
      for (int j = 0; j < 3; ++j) {
        if (produced + j < size) out[produced + j] = static_cast<unsigned char>(v >> (16 - 8 * j));
      }
    }
    produced += 3;
  };
  int i = 0;
  while (i < count) {
    if (symbols == 0) {
      // Whole groups of four symbols, written four bytes at a time (the
      // fourth byte is overwritten by the next group).
      while (i + 4 <= count && produced + 4 <= size) {
        const std::uint32_t a = values[in[i]], b = values[in[i + 1]], c = values[in[i + 2]],
                            d = values[in[i + 3]];
        if ((a | b | c | d) >= 64) break;
        const std::uint32_t v = __builtin_bswap32((a << 26) | (b << 20) | (c << 14) | (d << 8));
        std::memcpy(out + produced, &v, 4);
        produced += 3;
        i += 4;
      }
      if (i + 4 <= count) {
        const std::uint32_t a = values[in[i]], b = values[in[i + 1]], c = values[in[i + 2]],
                            d = values[in[i + 3]];
        if ((a | b | c | d) < 64) {
          emit((a << 18) | (b << 12) | (c << 6) | d);
          i += 4;
          continue;
        }
      }
      if (i >= count) break;
    }
    std::uint32_t v = values[in[i++]];
    if (v == kSkip) continue;
    if (v == kPad) {
      if (pads < 2) ++pads;
      v = 0;
    }
    group = (group << 6) | v;
    if (++symbols == 4) {
      emit(group);
      group = 0;
      symbols = 0;
    }
  }
  if (symbols > 0) {
    for (; symbols < 4; ++symbols) {
      if (pads < 2) ++pads;
      group <<= 6;
    }
    emit(group);
  }
  const long long decoded = produced - pads;
  if (decoded > size) {
    RecordError("Base64Decode",
                "The passed string of length " + std::to_string(destinationSize) +
                    " was not large enough to hold the Base64 decoded data of length " +
                    std::to_string(decoded) + ". The data has been truncated.",
                true);
    length = static_cast<int>(size);
    return 1;
  }
  length = static_cast<int>(decoded);
  return 0;
}

int TextBuffer::Base64Decode() {
  BASE64 = 0;
  if (DATAEND_ == 0) return 0;
  // The output never overtakes the input and is never longer, so the value
  // decodes into itself.
  int length = 0;
  const int result = Base64Decode(VALUE.address, DATAEND_, length);
  shrinkTo(length);
  return result;
}

}  // namespace textlib
