// Code-page conversions of TextBuffer: CP1252 text survives the way through
// UTF-8 and UTF-16 and back, and arbitrary bytes taken as UTF-8, UTF-16 or
// another code page convert without faults to well-formed results.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/escape_model.h"
#include "textlib/text_buffer.h"

namespace {

using fuzzmodel::check;

constexpr int kCodePages[] = {1252, 20127, 28591, 28605, 65001, 850, 1250, 932, 65000, 0, 12345};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int control = data[0];
  const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
  const int codePage = kCodePages[(control >> 2) % std::size(kCodePages)];

  textlib::TextBuffer b;
  b.SetValue(input);
  b.ToUnicode(1, 1252);
  check(input.empty() || b.ENCODING == 1, "CP1252 to UTF-8");
  check(b.IsValidUtf8() == 1, "UTF-8 from CP1252 is well-formed");
  b.ToUnicode(2);
  check(input.empty() || b.ENCODING == 2, "UTF-8 to UTF-16");
  b.ToAnsi(0, 1252);
  // Compatibility composition may replace some characters (such as the
  // superscript digits) by plain letters, so the round trip is checked
  // without it on a second object.
  textlib::TextBuffer plain;
  plain.SetValue(input);
  plain.ToUnicode(2, 1252);
  int count = 0;
  const textlib::BufferRef back =
      plain.Utf16ToAnsi(plain.Length(), plain.GetAddress(), 1252, -1, count);
  check(input.empty() || (back.address != nullptr && std::string(back.address, back.size) == input),
        "CP1252 round trip");
  std::free(back.address);
  check(static_cast<std::size_t>(b.Length()) <= input.size() * 3, "ANSI result size");

  textlib::TextBuffer other;
  other.SetValue(input);
  other.ENCODING = static_cast<std::uint8_t>(control & 3);
  other.ENDIAN = (control & 0x80) ? 1 : 0;
  other.ToAnsi(0, codePage);
  other.SetValue(input);
  other.ENCODING = 0;
  other.ToUnicode(1 + (control & 1), codePage);
  if (other.ENCODING == 1) check(other.IsValidUtf8() == 1, "UTF-8 result is well-formed");
  if (other.ENCODING == 2) check(other.Length() % 2 == 0, "UTF-16 result has whole units");
  return 0;
}
