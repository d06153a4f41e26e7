// TextBuffer: conversions between Windows code pages, UTF-8 and UTF-16,
// done by ICU. Windows code-page numbers are mapped to ICU converters here;
// characters a code page cannot hold become "?" as Windows substitutes them,
// and ill-formed input becomes U+FFFD.
#include <iconv.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

// The OEM code page that goes with the system's ANSI code page 1252.
constexpr int kSystemOemCodePage = 850;

int systemAnsiCodePage() { return TextBuffer::CharsetToCodePage(0, true); }

// Windows error codes left in WINERRORCODE.
constexpr int kErrorNotEnoughMemory = 8;
constexpr int kErrorInvalidParameter = 87;
constexpr int kErrorNoUnicodeTranslation = 1113;

int effectiveCodePage(int codePage) {
  return (codePage == 0 || codePage == -1) ? systemAnsiCodePage() : codePage;
}

// ICU's name for a Windows code page; empty when ICU has no converter for it.
std::string icuName(int codePage) {
  switch (codePage) {
    case 20127:
      return "US-ASCII";
    case 28603:
      return "ISO-8859-13";
    case 28605:
      return "ISO-8859-15";
    case 65000:
      return "UTF-7";
    case 65001:
      return "UTF-8";
    case 1200:
      return "UTF-16LE";
    case 1201:
      return "UTF-16BE";
    case 10000:
      return "macintosh";
    case 20866:
      return "KOI8-R";
    case 21866:
      return "KOI8-U";
    case 50220:
      return "ISO-2022-JP";
    case 51932:
      return "EUC-JP";
    case 51949:
      return "EUC-KR";
    case 54936:
      return "GB18030";
    default:
      break;
  }
  if (codePage >= 28591 && codePage <= 28599) return "ISO-8859-" + std::to_string(codePage - 28590);
  if (codePage == 874 || codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 ||
      (codePage >= 1250 && codePage <= 1258)) {
    return "windows-" + std::to_string(codePage);
  }
  if (codePage >= 37 && codePage <= 1149) return "ibm-" + std::to_string(codePage);
  return {};
}

// Every character a narrow page lacks becomes "?", default-ignorable ones
// (zero-width space, unassigned plane-14 code points ...) too: ICU's own
// substitution skips those silently.
void writeQuestionMark(const void*, UConverterFromUnicodeArgs* args, const UChar*, int32_t, UChar32,
                       UConverterCallbackReason reason, UErrorCode* status) {
  if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR) return;
  *status = U_ZERO_ERROR;
  ucnv_cbFromUWriteBytes(args, "?", 1, 0, status);
}

// The DOS (OEM) pages as the system reads them: 0x00-0x7F as they are (but
// for the Arabic percent sign of page 864), the rest by the system's tables.
// ICU's ibm-NNN tables swap some control bytes and read 0xE6 of page 437 as
// the Greek mu, so the bytes are read through the C library's converter; a
// byte it has no character for keeps ICU's reading.
constexpr int kOemPages[] = {437, 737, 775, 850, 852, 855, 857, 858,
                             860, 861, 862, 863, 864, 865, 866, 869};

struct OemPage {
  std::array<char16_t, 256> units{};
  std::unordered_map<char16_t, char> bytes;
};

const OemPage* oemPage(int codePage);

struct ConverterClose {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterClose>;

// One converter per code page and OS thread, opened on first use: ICU
// converters keep state and must not be shared between threads. Null when
// the code page is unknown.
UConverter* converterFor(int codePage) {
  thread_local std::unordered_map<int, ConverterPtr> cache;
  auto found = cache.find(codePage);
  if (found != cache.end()) return found->second.get();
  ConverterPtr converter;
  const std::string name = icuName(codePage);
  if (!name.empty()) {
    UErrorCode status = U_ZERO_ERROR;
    converter.reset(ucnv_open(name.c_str(), &status));
    if (U_FAILURE(status)) converter.reset();
  }
  if (converter && ucnv_getMaxCharSize(converter.get()) <= 2 && codePage != 1200 &&
      codePage != 1201) {
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setSubstChars(converter.get(), "?", 1, &status);
    UConverterFromUCallback previous = nullptr;
    const void* previousContext = nullptr;
    ucnv_setFromUCallBack(converter.get(), writeQuestionMark, nullptr, &previous, &previousContext,
                          &status);
  }
  UConverter* result = converter.get();
  cache.emplace(codePage, std::move(converter));
  return result;
}

OemPage buildOemPage(int codePage) {
  OemPage page;
  UConverter* icu = converterFor(codePage);
  iconv_t glibc = iconv_open("UTF-16LE", ("CP" + std::to_string(codePage)).c_str());
  for (int b = 0; b < 256; ++b) {
    char16_t unit = static_cast<char16_t>(b);
    char in = static_cast<char>(b);
    char out[4];
    char* from = &in;
    char* to = out;
    std::size_t inLeft = 1, outLeft = sizeof out;
    if (glibc != reinterpret_cast<iconv_t>(-1) &&
        iconv(glibc, &from, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1) &&
        outLeft == 2) {
      unit = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                   static_cast<unsigned char>(out[1]) << 8);
    } else if (b >= 0x80 && icu != nullptr) {
      UErrorCode status = U_ZERO_ERROR;
      UChar decoded[2];
      if (ucnv_toUChars(icu, decoded, 2, &in, 1, &status) == 1 && U_SUCCESS(status))
        unit = decoded[0];
    }
    if (glibc != reinterpret_cast<iconv_t>(-1)) iconv(glibc, nullptr, nullptr, nullptr, nullptr);
    page.units[static_cast<std::size_t>(b)] = unit;
    page.bytes.emplace(unit, static_cast<char>(b));
  }
  if (glibc != reinterpret_cast<iconv_t>(-1)) iconv_close(glibc);
  return page;
}

const OemPage* oemPage(int codePage) {
  if (std::find(std::begin(kOemPages), std::end(kOemPages), codePage) == std::end(kOemPages))
    return nullptr;
  static std::mutex guard;
  static std::map<int, OemPage> pages;
  const std::lock_guard<std::mutex> lock(guard);
  auto found = pages.find(codePage);
  if (found == pages.end()) found = pages.emplace(codePage, buildOemPage(codePage)).first;
  return &found->second;
}

// The outcome of one conversion: a std::malloc'ed block or none.
struct Conversion {
  char* block = nullptr;
  int bytes = 0;
  int units = 0;
  bool nothingToConvert = false;  // the size could not be determined
  int winError = 0;
};

// Shrinks an over-allocated result to its exact size; 2 spare zero bytes
// would only confuse callers that read the block as text, so none are kept.
char* exactBlock(char* block, std::size_t bytes) {
  if (bytes == 0) {
    std::free(block);
    return nullptr;
  }
  void* shrunk = std::realloc(block, bytes);
  return shrunk == nullptr ? block : static_cast<char*>(shrunk);
}

char* allocate(std::size_t bytes, Conversion& out) {
  if (bytes > static_cast<std::size_t>(INT_MAX)) {
    out.winError = kErrorNotEnoughMemory;
    return nullptr;
  }
  char* block = static_cast<char*>(std::malloc(bytes == 0 ? 1 : bytes));
  if (block == nullptr) out.winError = kErrorNotEnoughMemory;
  return block;
}

// Runs one conversion into a block of `capacity` elements of `elementSize`
// bytes, once more with the size the converter asks for when it did not fit.
// `run` converts into the block and returns the elements produced.
template <typename Run>
Conversion convertInto(std::size_t capacity, std::size_t elementSize, Run run) {
  Conversion out;
  for (int attempt = 0; attempt < 2; ++attempt) {
    char* block = allocate(capacity * elementSize, out);
    if (block == nullptr) return out;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t produced = run(block, static_cast<int32_t>(capacity), status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      std::free(block);
      capacity = static_cast<std::size_t>(produced);
      continue;
    }
    if (U_FAILURE(status)) {
      std::free(block);
      out.winError = kErrorNoUnicodeTranslation;
      return out;
    }
    out.units = produced;
    out.bytes = produced * static_cast<int>(elementSize);
    out.block = exactBlock(block, static_cast<std::size_t>(out.bytes));
    return out;
  }
  out.winError = kErrorNotEnoughMemory;
  return out;
}

Conversion unknownOrEmpty(int length) {
  Conversion out;
  out.nothingToConvert = true;
  out.winError = length > 0 ? kErrorInvalidParameter : 0;
  return out;
}

Conversion toUtf16(int codePage, const char* source, int length) {
  if (const OemPage* oem = oemPage(codePage); oem != nullptr && length > 0 && source != nullptr) {
    Conversion out;
    char* block = allocate(static_cast<std::size_t>(length) * 2, out);
    if (block == nullptr) return out;
    auto* units = reinterpret_cast<char16_t*>(block);
    for (int i = 0; i < length; ++i) units[i] = oem->units[static_cast<unsigned char>(source[i])];
    out.block = block;
    out.units = length;
    out.bytes = length * 2;
    return out;
  }
  const bool utf8 = codePage == TextBuffer::kUtf8CodePage;
  UConverter* converter = utf8 ? nullptr : converterFor(codePage);
  if (length <= 0 || source == nullptr || (!utf8 && converter == nullptr)) {
    return unknownOrEmpty(length);
  }
  // No supported code page yields more UTF-16 units than it has bytes.
  return convertInto(static_cast<std::size_t>(length), 2,
                     [&](char* block, int32_t capacity, UErrorCode& status) {
                       auto* units = reinterpret_cast<UChar*>(block);
                       if (utf8) {
                         int32_t produced = 0;
                         u_strFromUTF8WithSub(units, capacity, &produced, source, length, 0xFFFD,
                                              nullptr, &status);
                         return produced;
                       }
                       return ucnv_toUChars(converter, units, capacity, source, length, &status);
                     });
}

Conversion fromUtf16(int codePage, const UChar* source, int units) {
  if (const OemPage* oem = oemPage(codePage); oem != nullptr && units > 0 && source != nullptr) {
    Conversion out;
    char* block = allocate(static_cast<std::size_t>(units), out);
    if (block == nullptr) return out;
    int bytes = 0;
    for (int i = 0; i < units; ++i) {
      const char16_t unit = source[i];
      // A pair of surrogates is one character, and one "?".
      if (U16_IS_LEAD(unit) && i + 1 < units && U16_IS_TRAIL(source[i + 1])) ++i;
      const auto found = oem->bytes.find(unit);
      block[bytes++] = found != oem->bytes.end() && !U16_IS_SURROGATE(unit) ? found->second : '?';
    }
    out.block = exactBlock(block, static_cast<std::size_t>(bytes));
    out.bytes = out.units = bytes;
    return out;
  }
  const bool utf8 = codePage == TextBuffer::kUtf8CodePage;
  UConverter* converter = utf8 ? nullptr : converterFor(codePage);
  if (units <= 0 || source == nullptr || (!utf8 && converter == nullptr)) {
    return unknownOrEmpty(units);
  }
  const std::size_t perUnit = utf8 ? 3 : static_cast<std::size_t>(ucnv_getMaxCharSize(converter));
  return convertInto(static_cast<std::size_t>(units) * perUnit + 8, 1,
                     [&](char* block, int32_t capacity, UErrorCode& status) {
                       if (utf8) {
                         int32_t produced = 0;
                         u_strToUTF8WithSub(block, capacity, &produced, source, units, 0xFFFD,
                                            nullptr, &status);
                         return produced;
                       }
                       return ucnv_fromUChars(converter, block, capacity, source, units, &status);
                     });
}

void swapBytePairs(char* data, int length) {
  for (int i = 0; i + 1 < length; i += 2) std::swap(data[i], data[i + 1]);
}

// Every byte of one single-byte code page mapped to another, "?" where the
// target has no byte for the character.
std::array<char, 256> byteTable(int fromCodePage, int toCodePage) {
  std::array<char, 256> table{};
  for (int b = 0; b < 256; ++b) {
    table[b] = static_cast<char>(b);
    const char byte = static_cast<char>(b);
    Conversion wide = toUtf16(fromCodePage, &byte, 1);
    if (wide.block == nullptr) continue;
    Conversion narrow =
        fromUtf16(toCodePage, reinterpret_cast<const UChar*>(wide.block), wide.units);
    table[b] = narrow.bytes == 1 ? narrow.block[0] : '?';
    std::free(wide.block);
    std::free(narrow.block);
  }
  return table;
}

}  // namespace

// ---- Low-level conversions ------------------------------------------------

BufferRef TextBuffer::AnsiToUtf16(int length, const void* address, int codePage, int& count) {
  count = 0;
  const Conversion c =
      toUtf16(effectiveCodePage(codePage), static_cast<const char*>(address), length);
  if (c.nothingToConvert) {
    RecordError("AnsiToUtf16", "There is no data to convert, the string length is zero");
    return {};
  }
  if (c.block == nullptr) {
    WINERRORCODE = c.winError;
    RecordError("AnsiToUtf16", "Converting ANSI String to Unicode failed.");
    return {};
  }
  count = c.units;
  return {c.block, c.bytes};
}

BufferRef TextBuffer::Utf8ToUtf16(int length, const void* address, int& count) {
  count = 0;
  const Conversion c = toUtf16(kUtf8CodePage, static_cast<const char*>(address), length);
  if (c.nothingToConvert) {
    RecordError("Utf8ToUtf16", "There is no data to convert, the string length is zero");
    return {};
  }
  if (c.block == nullptr) {
    WINERRORCODE = c.winError;
    RecordError("Utf8ToUtf16", "Conversion to UTF-16 failed");
    return {};
  }
  count = c.units;
  return {c.block, c.bytes};
}

BufferRef TextBuffer::Utf16ToAnsi(int length, const void* address, int codePage, int units,
                                  int& count) {
  count = 0;
  if (units < 0 || units > length / 2) units = length / 2;
  const Conversion c =
      fromUtf16(effectiveCodePage(codePage), static_cast<const UChar*>(address), units);
  if (c.nothingToConvert) {
    WINERRORCODE = c.winError;
    RecordError("Utf16ToAnsi",
                "Cannot convert he string to ANSI, the length is zero, or an error occured "
                "calculating the length");
    return {};
  }
  if (c.block == nullptr) {
    WINERRORCODE = c.winError;
    RecordError("Utf16ToAnsi", "Conversion from Unicode to ANSI failed");
    return {};
  }
  count = c.units;
  return {c.block, c.bytes};
}

BufferRef TextBuffer::Utf16To8(int length, const void* address, int units, int& count) {
  count = 0;
  const int available = length / 2;
  const auto* source = static_cast<const UChar*>(address);
  if (units < 0) {
    units = available;
    if (source != nullptr) {
      for (int i = 0; i < available; ++i) {
        UChar unit;
        std::memcpy(&unit, reinterpret_cast<const char*>(source) + 2 * i, 2);
        if (unit == 0) {
          units = i + 1;
          break;
        }
      }
    }
  } else if (units == 0 || units > available) {
    units = available;
  }
  const Conversion c = fromUtf16(kUtf8CodePage, source, units);
  if (c.nothingToConvert) {
    RecordError("Utf16To8",
                "The passed string did not contain any text to convert, or an API error occured");
    return {};
  }
  if (c.block == nullptr) {
    WINERRORCODE = c.winError;
    RecordError("Utf16To8", "Could not convert the passed string");
    return {};
  }
  count = c.units;
  return {c.block, c.bytes};
}

BufferRef TextBuffer::AnsiToUtf8(int length, const void* address, int codePage, int& count) {
  count = 0;
  int units = 0;
  const BufferRef wide = AnsiToUtf16(length, address, codePage, units);
  if (wide.address == nullptr) {
    DebugOut("AnsiToUtf8. Failed to convert to UTF-16");
    return {};
  }
  const BufferRef narrow = Utf16To8(wide.size, wide.address, units, count);
  std::free(wide.address);
  return narrow;
}

BufferRef TextBuffer::Utf8ToAnsi(int length, const void* address, int codePage, int& count) {
  count = 0;
  int units = 0;
  const BufferRef wide = Utf8ToUtf16(length, address, units);
  if (wide.address == nullptr) {
    DebugOut("Utf8ToAnsi. Failed to convert to UTF-16");
    return {};
  }
  const BufferRef narrow = Utf16ToAnsi(wide.size, wide.address, codePage, units, count);
  std::free(wide.address);
  return narrow;
}

BufferRef TextBuffer::AsciiToUtf8(int length, const void* address, int& count) {
  return AnsiToUtf8(length, address, kUsAsciiCodePage, count);
}

BufferRef TextBuffer::Utf8ToAscii(int length, const void* address, int& count) {
  return Utf8ToAnsi(length, address, kUsAsciiCodePage, count);
}

// ---- Conversions of the value -----------------------------------------------

int TextBuffer::ToUnicode(int encoding, int codePage) {
  if (DATAEND_ == 0) return 1;
  BufferRef converted;
  int count = 0;
  if (ENCODING == 1) {
    if (encoding != 2) return 1;
    converted = Utf8ToUtf16(DATAEND_, VALUE.address, count);
    if (converted.address != nullptr) ENDIAN = 0;
  } else if (ENCODING == 2) {
    if (encoding != 1) return 1;
    if (ENDIAN == 1) {
      swapBytePairs(VALUE.address, DATAEND_);
      ENDIAN = 0;
    }
    converted = Utf16To8(DATAEND_, VALUE.address, -1, count);
  } else if (ENCODING == 0) {
    if (encoding == 1) {
      converted = AnsiToUtf8(DATAEND_, VALUE.address, codePage, count);
    } else if (encoding == 2) {
      converted = AnsiToUtf16(DATAEND_, VALUE.address, codePage, count);
      if (converted.address != nullptr) ENDIAN = 0;
    } else {
      DebugOut("ToUnicode: invalid encoding");
      return 0;
    }
  } else {
    return 1;
  }
  if (converted.address != nullptr) {
    AdoptBuffer_(converted.size, converted.address, false);
    ENCODING = static_cast<std::uint8_t>(encoding);
  }
  return 1;
}

int TextBuffer::ToAnsi(int encoding, int codePage) {
  if (DATAEND_ == 0) return 1;
  if (encoding != 0) ENCODING = static_cast<std::uint8_t>(encoding);
  DetectBom(true);
  if (ENCODING == 2 && ENDIAN == 1) {
    swapBytePairs(VALUE.address, DATAEND_);
    ENDIAN = 0;
  }
  if (ENCODING != 1 && ENCODING != 2) return 0;
  // Compatibility composition first maps ligatures, full-width forms and the
  // like to plain letters, so they survive a single-byte code page. Without
  // the normaliser the text is converted as it is.
  Normalize(5, false);
  BufferRef converted;
  int count = 0;
  if (ENCODING == 1) {
    converted = Utf8ToAnsi(DATAEND_, VALUE.address, codePage, count);
  } else if (ENCODING == 2) {
    converted = Utf16ToAnsi(DATAEND_, VALUE.address, codePage, -1, count);
  }
  if (converted.address == nullptr) return 0;
  AdoptBuffer_(converted.size, converted.address, false);
  ENCODING = 0;
  return 1;
}

int TextBuffer::ToAnsiInBlocks(int encoding, int codePage, int blockMegabytes) {
  constexpr int kBytesPerMegabyte = 1000000;
  if (blockMegabytes <= 1) blockMegabytes = 10;
  if (blockMegabytes > 50) blockMegabytes = 50;
  const int blockSize = blockMegabytes * kBytesPerMegabyte;
  if (encoding != 1 || DATAEND_ <= blockSize) return ToAnsi(encoding, codePage);
  ENCODING = 1;
  TextBuffer result;
  TextBuffer block;
  const auto* v = reinterpret_cast<const unsigned char*>(VALUE.address);
  int from = 0;
  while (from < DATAEND_) {
    int end = std::min(from + blockSize, DATAEND_);  // one past the block's last byte
    // Move the end forward so that no UTF-8 sequence is cut.
    while (end < DATAEND_ && (v[end - 1] & 0x80) != 0) {
      const unsigned char last = v[end - 1];
      if ((last & 0xE0) == 0xC0) {
        end += 1;
        break;
      }
      if ((last & 0xF0) == 0xE0) {
        end += 2;
        break;
      }
      if ((last & 0xF8) == 0xF0) {
        end += 3;
        break;
      }
      end += 1;
    }
    end = std::min(end, DATAEND_);
    block.SetValue(end - from, VALUE.address + from);
    block.ENCODING = 1;
    block.ToAnsi(1, codePage);
    result.Append(block);
    from = end;
  }
  TakeValueFrom_(result);
  ENCODING = 0;
  return 1;
}

int TextBuffer::IsValidUtf8() const {
  if (DATAEND_ == 0) return 1;
  UErrorCode status = U_ZERO_ERROR;
  int32_t needed = 0;
  u_strFromUTF8(nullptr, 0, &needed, VALUE.address, DATAEND_, &status);
  return status == U_INVALID_CHAR_FOUND || status == U_ILLEGAL_CHAR_FOUND ? 0 : 1;
}

std::string TextBuffer::CodeUnitToUtf8(std::string_view unit, int& length) {
  const unsigned low = unit.empty() ? 0 : detail::byteAt(unit, 0);
  const unsigned high = unit.size() < 2 ? 0 : detail::byteAt(unit, 1);
  const unsigned u = low | (high << 8);
  std::string out;
  if (u < 0x80) {
    out.push_back(static_cast<char>(u));
  } else if (u < 0x800) {
    out.push_back(static_cast<char>(0xC0 + (u >> 6)));
    out.push_back(static_cast<char>(0x80 + (u & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 + (u >> 12)));
    out.push_back(static_cast<char>(0x80 + ((u >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 + (u & 0x3F)));
  }
  length = static_cast<int>(out.size());
  return out;
}

int TextBuffer::CharsetNameToCodePage(std::string_view name) {
  std::string cleaned;
  for (char c : name) {
    const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    if ((upper >= 'A' && upper <= 'Z') || (upper >= '0' && upper <= '9')) cleaned += upper;
  }
  if (cleaned == "USASCII" || cleaned == "ASCII") return kUsAsciiCodePage;
  for (int cp = 1250; cp <= 1258; ++cp) {
    const std::string digits = std::to_string(cp);
    if (cleaned == "WINDOWS" + digits || cleaned == "WIN" + digits || cleaned == digits) return cp;
  }
  std::string_view iso = cleaned;
  if (iso.starts_with("ISO")) iso.remove_prefix(3);
  if (iso.starts_with("8859") && iso.size() >= 5 && iso.size() <= 6) {
    const std::string_view part = iso.substr(4);
    if (part.size() == 1 && part[0] >= '1' && part[0] <= '9') return 28590 + (part[0] - '0');
    if (part == "13") return 28603;
    if (part == "15") return 28605;
  }
  if (cleaned == "UTF7") return 65000;
  if (cleaned == "UTF8") return kUtf8CodePage;
  return 0;
}

void TextBuffer::AnsiToOem() {
  static const std::array<char, 256> table = byteTable(systemAnsiCodePage(), kSystemOemCodePage);
  for (int i = 0; i < DATAEND_; ++i) {
    VALUE.address[i] = table[static_cast<unsigned char>(VALUE.address[i])];
  }
}

void TextBuffer::OemToAnsi() {
  static const std::array<char, 256> table = byteTable(kSystemOemCodePage, systemAnsiCodePage());
  for (int i = 0; i < DATAEND_; ++i) {
    VALUE.address[i] = table[static_cast<unsigned char>(VALUE.address[i])];
  }
}

}  // namespace textlib

namespace textlib {

void TextBuffer::DecodeEscapes(int codePage, int encoding) {
  DecodeEscapePrefix("\\x", 2, codePage, encoding);
  DecodeEscapePrefix("\\u", 4, codePage, encoding);
}

// One pass over the value. A decoded escape can form a new one with the
// bytes just before it ("\\x5cx41" is "A"), so the few bytes that could start
// such an escape, and the decoded bytes, are scanned again before the rest.
void TextBuffer::DecodeEscapePrefix(std::string_view prefix, int digits, int codePage,
                                    int encoding) {
  if (prefix.empty()) return;
  const int target = encoding == -1 ? ENCODING : encoding;
  if (digits == 4 && target == 2) return;
  const std::string input(VALUE.address != nullptr ? VALUE.address : "",
                          static_cast<std::size_t>(DATAEND_));
  std::string out;
  out.reserve(input.size());
  std::string carry;  // bytes to scan again before input[next]
  std::size_t next = 0;
  const auto available = [&] { return carry.size() + (input.size() - next); };
  const auto at = [&](std::size_t k) {
    return k < carry.size() ? carry[k] : input[next + k - carry.size()];
  };
  const auto consume = [&](std::size_t k) {
    if (k <= carry.size()) {
      carry.erase(0, k);
    } else {
      next += k - carry.size();
      carry.clear();
    }
  };
  const auto prefixHere = [&] {
    if (available() < prefix.size()) return false;
    for (std::size_t k = 0; k < prefix.size(); ++k)
      if (at(k) != prefix[k]) return false;
    return true;
  };
  bool changed = false;
  while (available() > 0) {
    if (!prefixHere()) {
      out += at(0);
      consume(1);
      continue;
    }
    changed = true;
    const std::size_t count = std::min<std::size_t>(digits, available() - prefix.size());
    std::string hex;
    for (std::size_t k = 0; k < count; ++k) hex += at(prefix.size() + k);
    consume(prefix.size() + count);
    const std::int32_t number = StringToLong(hex, 16);
    std::string replacement;
    if (digits == 2) {
      replacement.assign(1, static_cast<char>(number & 0xFF));
    } else {
      const char unit[2] = {static_cast<char>(number & 0xFF),
                            static_cast<char>((number >> 8) & 0xFF)};
      if (target == 1) {
        int length = 0;
        replacement = CodeUnitToUtf8({unit, 2}, length);
      } else {
        int converted = 0;
        const BufferRef narrow = Utf16ToAnsi(2, unit, codePage, 1, converted);
        if (narrow.address != nullptr) replacement.assign(narrow.address, narrow.size);
        std::free(narrow.address);
      }
    }
    const std::size_t back = std::min(out.size(), prefix.size() - 1);
    carry = out.substr(out.size() - back) + replacement + carry;
    out.resize(out.size() - back);
  }
  if (!changed) return;
  const auto base64 = BASE64;
  SetValue(out);
  BASE64 = base64;
}

}  // namespace textlib
