// TextBuffer: random text, version-4 GUIDs, MD5 digests and the code page of
// a Windows character set.
#include <string>

#include "textlib/md5.h"
#include "textlib/random_source.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

constexpr char kUpperLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr char kLowerLetters[] = "abcdefghijklmnopqrstuvwxyz";
constexpr char kDigits[] = "0123456789";
constexpr char kSymbols[] = "!@#$^&*()-_+={}[]:;,.`~";
constexpr char kHexDigits[] = "ABCDEF0123456789";
constexpr char kGcat[] = "GCAT";
constexpr std::size_t kMostPool = 255;

// The character set the application runs with: ANSI (Western, code page 1252).
constexpr int kSystemCharset = 0;

std::string randomPool(int flags, std::string_view alphabet) {
  std::string pool;
  if (flags & TextBuffer::kRandomUpper) {
    pool += kUpperLetters;
  } else if (flags & TextBuffer::kRandomGcat) {
    pool += kGcat;
  }
  if (flags & TextBuffer::kRandomLower) pool += kLowerLetters;
  if (flags & TextBuffer::kRandomDigits) pool += kDigits;
  if (flags & TextBuffer::kRandomSymbols) pool += kSymbols;
  if (flags & TextBuffer::kRandomBlank) pool += ' ';
  if (!(flags &
        (TextBuffer::kRandomUpper | TextBuffer::kRandomLower | TextBuffer::kRandomDigits)) &&
      (flags & TextBuffer::kRandomHex)) {
    pool += kHexDigits;
  }
  pool += detail::clipView(alphabet);
  if (pool.size() > kMostPool) pool.resize(kMostPool);
  if (pool.empty()) pool = kUpperLetters;
  return pool;
}

}  // namespace

void TextBuffer::SeedRandom_() { seedRandomFromClock(); }

int TextBuffer::Random(int length, int flags, std::string_view alphabet) {
  SetEmpty();
  if (length < 1) return 1;
  if (!randomSeeded()) SeedRandom_();
  if (detail::clipView(alphabet).empty() && flags == 0) flags = kRandomUpper;
  SetLength(length, false);
  if (DATAEND_ != length || VALUE.address == nullptr) {
    RecordError("Random",
                "Unable to allocate " + std::to_string(length) + " bytes for Random string.", true);
    return 1;
  }
  auto* out = reinterpret_cast<unsigned char*>(VALUE.address);
  int i = 0;
  if (flags & kRandomFirstUpper) out[i++] = static_cast<unsigned char>('A' + nextRandom() % 26);
  if (flags & kRandomAnyByte) {
    for (; i < length; ++i) out[i] = static_cast<unsigned char>(nextRandom() % 256);
  } else if (flags & kRandomNonZeroByte) {
    for (; i < length; ++i) out[i] = static_cast<unsigned char>(1 + nextRandom() % 255);
  } else {
    const std::string pool = randomPool(flags, alphabet);
    for (; i < length; ++i) out[i] = static_cast<unsigned char>(pool[nextRandom() % pool.size()]);
  }
  return 0;
}

std::string TextBuffer::GetRandom(int length, int flags, std::string_view alphabet) {
  if (Random(length, flags, alphabet) != 0) return {};
  return GetValue();
}

std::string TextBuffer::MakeGuid(int flags) {
  Random(16, kRandomAnyByte);
  if (DATAEND_ == 16) {
    auto* v = reinterpret_cast<unsigned char*>(VALUE.address);
    v[6] = static_cast<unsigned char>((v[6] & 15) + 64);
    v[8] = static_cast<unsigned char>((v[8] & 63) + 128);
    if (flags & 1) FormatGuid(flags);
  }
  return GetValue();
}

std::string TextBuffer::MD5(int mode, std::string_view text, int byteCount) const {
  std::string_view input = view();
  if ((text.data() != nullptr && !detail::clipView(text).empty()) || byteCount > 0) {
    input = byteCount > 0 ? text.substr(0, static_cast<std::size_t>(byteCount))
                          : detail::clipView(text);
  }
  Md5Context context;
  Md5Init(context);
  Md5Update(context, input.data(), static_cast<std::uint32_t>(input.size()));
  unsigned char digest[16];
  Md5Final(digest, context);
  TextBuffer temp;
  temp.SetValue(16, digest);
  if (mode == 1) {
    temp.ToHex(0, false);
  } else if (mode == 2) {
    temp.Base64Encode(0);
  }
  return temp.GetValue();
}

int TextBuffer::CharsetToCodePage(int charset, bool useSystem) {
  if (useSystem) charset = kSystemCharset;
  switch (charset) {
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    default:
      return 1252;
  }
}

}  // namespace textlib
