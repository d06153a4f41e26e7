// Join then Split of TextBuffer on generated lines: lines joined with a
// separator (quoted where they hold it) split back at the same separator with
// the quotes removed give the same lines. The lines hold no quote byte (with
// quote bytes inside lines the rules do not round-trip). Input: three control
// bytes (separator kind, quote byte, quote mode), then the bytes of the lines,
// a byte 0xFF ending each line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "textlib/text_buffer.h"

namespace {

using textlib::TextBuffer;

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  static const char* kSeparators[] = {",", ";", "\t", "|", "<>", "::", "\r\n"};
  const std::string separator = kSeparators[data[0] % 7];
  const bool longSeparator = separator.size() > 1;
  const char quote = static_cast<char>(data[1] % 2 == 0 ? '"' : '#');
  const int quoteMode = data[2] % 3;

  // Lines from the input: bytes of a multi-byte separator appear only as the
  // whole separator (byte 0xFE stands for it), so that no separator is made
  // across the boundary of two lines.
  std::vector<std::string> lines(1);
  for (std::size_t i = 3; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (data[i] == 0xFF) {
      lines.emplace_back();
    } else if (data[i] == 0xFE) {
      lines.back() += separator;
    } else if (c == quote || (longSeparator && separator.find(c) != std::string::npos)) {
      continue;
    } else {
      lines.back().push_back(c);
    }
  }
  TextBuffer b;
  for (const std::string& line : lines) b.AddLine(line);
  b.Join(separator, std::string(1, quote), {}, quoteMode);
  if (b.Length() == 0) return 0;  // a single empty line joins to nothing
  const std::string joined = b.GetValue();
  b.Split(separator, std::string(1, quote), {}, true);
  check(b.GetValue() == joined, "Split keeps the value");
  check(b.Records() == static_cast<int>(lines.size()), "line count");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    check(b.GetLine(static_cast<int>(i) + 1) == lines[i], "line text");
  }
  return 0;
}
