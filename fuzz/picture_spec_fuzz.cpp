// Picture texts come from list layouts, report definitions and callers of the
// value classes: any bytes must take apart, describe and build without fault,
// and a picture built from parsed fields must build the same again.
// Input: one byte of options (bit 0 the build mode), then the picture.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "textlib/picture_spec.h"

namespace {

void check(bool condition) {
  if (!condition) __builtin_trap();
}

// Kinds whose built picture reads back into the same fields.
bool rebuildsTheSame(char kind) {
  return kind == 'N' || kind == 'H' || kind == 'E' || kind == 'S' || kind == 'D' || kind == 'X';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int mode = data[0] & 1;
  const std::string_view picture(reinterpret_cast<const char*>(data + 1), size - 1);

  textlib::PictureSpec spec;
  const int parsed = spec.ParsePicture(picture);
  check(parsed == 0 || parsed == 1);
  check(spec.PIC.size() <= 251);
  if (parsed == 0) {
    const std::string built = spec.BuildPicture("", true, mode);
    check(built == spec.PIC && built.size() <= 251);
    if (rebuildsTheSame(spec.PICTYPE[0])) {
      textlib::PictureSpec again;
      check(again.ParsePicture(built) == 0);
      check(again.BuildPicture("", true, mode) == built);
    }
  }
  for (const char* kind : {"D", "T", "H", "S", "E", "N", "P", "K", "U", "X", "?"}) {
    spec.BuildPicture(kind, false, mode);
  }

  textlib::PictureSpec fresh;
  fresh.Describe(picture);
  spec.Describe(picture);

  // The token readers at every position, with and without a limit.
  const int length = static_cast<int>(picture.size());
  for (int start = 0; start <= length + 1 && start < 64; ++start) {
    int position = start;
    fresh.TakeCharsFrom_(picture, position, data[0] >> 1, "0123456789.@");
    check(position >= start);
    position = start;
    fresh.TakeDelimitedFrom_(picture, position, '~');
    position = start;
    fresh.TakeChars_(picture.data(), length, position, 0, "~$");
  }
  return 0;
}
