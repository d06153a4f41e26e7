// Quoted-printable in TextBuffer: any bytes survive encoding and decoding, the
// encoded lines stay within 76 bytes, and decoding arbitrary text matches a
// small model of soft breaks and "=" escapes.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/escape_model.h"
#include "textlib/text_buffer.h"

namespace {

using fuzzmodel::check;

// Soft breaks are removed in one pass from left to right.
std::string modelDecode(const std::string& text) {
  std::string joined;
  for (std::size_t i = 0; i < text.size();) {
    if (text.compare(i, 3, "=\r\n") == 0) {
      i += 3;
    } else {
      joined += text[i++];
    }
  }
  return fuzzmodel::decodeEscapes(joined, '=', ' ');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  textlib::TextBuffer b;
  b.SetValue(input);
  b.QuotedPrintableEncode();
  for (std::string_view rest = b.GetValueRef(); !rest.empty();) {
    const std::size_t end = rest.find('\n');
    check(rest.substr(0, end).size() <= 76, "encoded line too long");
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  b.QuotedPrintableDecode();
  check(b.GetValue() == input, "round trip");

  b.SetValue(input);
  b.QuotedPrintableDecode();
  check(b.GetValue() == modelDecode(input), "decoding differs from the model");
  return 0;
}
