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

std::string modelDecode(std::string text) {
  for (std::size_t at; (at = text.find("=\r\n")) != std::string::npos;) text.erase(at, 3);
  return fuzzmodel::decodeEscapes(text, '=', ' ');
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
