// Percent encoding in TextBuffer: every option set encodes bytes so that
// decoding gives them back, and decoding arbitrary text matches a small model.
#include <cstdint>
#include <string>

#include "fuzz/escape_model.h"
#include "textlib/text_buffer.h"

namespace {

using fuzzmodel::check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // Options without the ones that keep a space (a kept space would come back
  // as itself, but the space replacement "+" would not).
  const int options =
      data[0] & ~(textlib::TextBuffer::kUrlKeepSpace | textlib::TextBuffer::kUrlKeepSpaceAlso);
  const bool mimeStyle = data[1] & 1;
  const std::string escape = mimeStyle ? "=" : "%";
  const std::string space = mimeStyle ? "_" : "+";
  const std::string input(reinterpret_cast<const char*>(data + 2), size - 2);

  textlib::TextBuffer b;
  b.SetValue(input);
  b.UrlEncode(options, escape, space);
  check(b.GetValue() == textlib::TextBuffer::UrlEncode(input, options, escape, space),
        "the two forms agree");
  b.UrlDecode(escape, space);
  check(b.GetValue() == input, "round trip");

  b.SetValue(input);
  b.UrlDecode(escape, space);
  check(b.GetValue() == fuzzmodel::decodeEscapes(input, escape[0], space[0]),
        "decoding differs from the model");
  return 0;
}
