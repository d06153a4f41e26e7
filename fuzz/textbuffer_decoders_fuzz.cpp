// The Base64, Base32 and Ascii85 decoders of TextBuffer on arbitrary text, and
// each encoder (in each of its options) followed by its decoder on arbitrary
// bytes, which must give the bytes back. Input: one control byte, then the
// data.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "textlib/text_buffer.h"

namespace {

using textlib::TextBuffer;

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
  }
}

void checkSpare(const TextBuffer& b) {
  check(b.Length() <= b.Size(), "length within the allocation");
  check(b.USEBUFFER || b.Size() == b.Length(), "exact allocation without USEBUFFER");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int control = data[0];
  const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
  TextBuffer b;
  b.USEBUFFER = (control & 128) ? 0 : 1;
  b.SetValue(input);
  switch (control % 8) {
    case 0: {  // Base64 decoding of any text, into the value and into small blocks
      int length = 0;
      b.Base64Decode();
      check(b.Length() <= static_cast<int>(input.size()), "Base64 output longer than input");
      b.SetValue(input);
      char small[7];
      length = (control >> 3) & 15;
      const int result = b.Base64Decode(small, sizeof small, length);
      check(length >= 0 && length <= 7, "Base64 buffer length");
      check(result == 0 || length == 7, "Base64 truncation fills the block");
      break;
    }
    case 1: {  // Base64 in each option, back again
      const int options = (control >> 3) & 7;
      b.Base64Encode(options);
      check(b.BASE64 == 1 || input.empty(), "Base64 flag");
      for (char c : b.GetValue()) {
        check(c != '=' || !(options & TextBuffer::kBase64NoPadding), "Base64 padding removed");
        check((c != '\r') || !(options & (TextBuffer::kBase64NoWrap | TextBuffer::kBase64UrlSafe)),
              "Base64 without line breaks");
      }
      b.Base64Decode();
      check(b.GetValue() == input, "Base64 round trip");
      break;
    }
    case 2: {  // Base32 decoding of any text, each option, default or given alphabet
      const int options = ((control >> 3) & 1) | (((control >> 4) & 1) << 4);
      std::string alphabet;
      if ((control >> 5) & 1 && input.size() >= 33) alphabet = input.substr(0, 33);
      const int result = b.Base32Decode(alphabet, options);
      check(result == 0 || b.Length() == 0, "Base32 failure empties the value");
      break;
    }
    case 3: {  // Base32 back again, with and without padding and line breaks
      const int options = (control >> 3) & 3;
      check(b.Base32Encode({}, options) == 0, "Base32 encodes");
      const int result = b.Base32Decode({}, (options & TextBuffer::kBase32NoPadding) ? 16 : 0);
      check(result == 0, "Base32 decodes its own text");
      check(b.GetValue() == input, "Base32 round trip");
      break;
    }
    case 4: {  // Ascii85 decoding of any text
      const int result = b.Ascii85Decode();
      check(result >= 0 && result <= static_cast<int>(input.size()), "Ascii85 position");
      if (result != 0) {
        check(b.GetValue() == input || b.GetValue() == input.substr(0, input.size() - 2),
              "Ascii85 failure leaves the value undecoded");
      }
      break;
    }
    case 5: {  // Ascii85 back again
      b.Ascii85Encode((control >> 3) & 9);
      check(b.Ascii85Decode() == 0, "Ascii85 decodes its own text");
      check(b.GetValue() == input, "Ascii85 round trip");
      break;
    }
    default: {  // Base32 with the caller's alphabet
      constexpr std::string_view kHex = "0123456789ABCDEFGHIJKLMNOPQRSTUV=";
      b.Base32Encode(kHex, (control >> 3) & 1);
      check(b.Base32Decode(kHex, 0) == 0, "Base32 with a given alphabet");
      check(b.GetValue() == input, "Base32 extended hex round trip");
      break;
    }
  }
  checkSpare(b);
  return 0;
}
