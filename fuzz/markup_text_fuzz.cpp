// Escaping, character references, markup layout, words and colours in
// TextBuffer: the escapes give their input back, and every reduction of
// arbitrary text stays within the value.
#include <cstdint>
#include <string>

#include "fuzz/escape_model.h"
#include "textlib/text_buffer.h"

namespace {

using fuzzmodel::check;
using textlib::TextBuffer;

void roundTrips(const std::string& input) {
  TextBuffer b;
  b.SetValue(input);
  b.ENCODING = 1;
  b.JsonEncode(TextBuffer::kJsonEscapeLessThan);
  check(b.JsonDecode() == 0, "an encoded text decodes");
  check(b.GetValue() == input, "JSON round trip");

  check(TextBuffer::CsvUnquoteText(TextBuffer::CsvQuoteTextWith(input, ",", "", true)) == input,
        "CSV round trip");

  if (input.find('\0') == std::string::npos) {
    b.SetValue(input);
    b.XmlEncode(0);
    b.XmlDecode();
    check(b.GetValue() == input, "XML round trip");
  }
}

void reduces(const std::string& input, int selector, int width) {
  TextBuffer b;
  for (int encoding = 0; encoding <= 3; ++encoding) {
    b.SetValue(input);
    b.ENCODING = static_cast<std::uint8_t>(encoding);
    const int replaced = b.DecEntityToChar();
    check(replaced >= 0 && b.Length() <= static_cast<int>(input.size()), "references only shrink");
  }
  b.SetValue(input);
  b.PrettyHtml();
  b.SetValue(input);
  b.HtmlToText();
  b.SetValue(input);
  b.WordsOnly(selector % 10, {}, (selector & 16) != 0);
  check(b.Length() <= static_cast<int>(input.size()), "words only shrink the value");
  b.SetValue(input);
  b.WordWrap(width, (selector & 32) != 0, (selector & 64) != 0);
  b.SetValue(input);
  const int words = b.CountWords(1, selector % 10, {}, (selector & 16) != 0);
  int first = 0;
  int last = 0;
  b.GetWord(words == 0 ? 1 : -words, 0, selector % 10, first, last);
  check((first == 0 && last == 0) || (first >= 1 && last >= first && last <= b.Length()),
        "a word found lies inside the value");
  TextBuffer::ColorFromText(input);
  TextBuffer::ColorNameToHex(input, (selector & 1) != 0);
  b.ColorToHex((selector & 1) != 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string input(reinterpret_cast<const char*>(data + 2), size - 2);
  roundTrips(input);
  reduces(input, data[0], data[1] % 40);
  return 0;
}
