// MIME encoded words in TextBuffer: UTF-8 text encoded as one Q or B word
// decodes back to itself; arbitrary header text decodes without faults and
// text without words stays as it is.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/escape_model.h"
#include "textlib/text_buffer.h"

namespace {

using fuzzmodel::check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int kind = data[0] & 1 ? 1 : 2;
  const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);

  textlib::TextBuffer b;
  b.SetValue(input);
  b.ENCODING = 1;
  if (!input.empty() && b.IsValidUtf8() && !input.starts_with("=?")) {
    b.BASE64NOWRAP = 1;
    b.EncodeMimeWord("utf-8", kind);
    check(b.GetValueRef().starts_with("=?utf-8?"), "word prefix");
    b.DecodeMimeWords();
    check(b.ENCODING == 1, "decoded encoding");
    check(b.GetValue() == input, "word round trip");
  }

  textlib::TextBuffer header;
  header.SetValue(input);
  header.DecodeMimeWords();
  if (input.find("=?") == std::string::npos) {
    check(header.GetValue() == input && header.ENCODING == 0, "text without words changed");
  }
  check(header.Length() <= header.Size(), "length within the allocation");
  return 0;
}
