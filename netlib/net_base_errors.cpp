#include <optional>
#include <string>

#include "netlib/net_base.h"
#include "platform/net/errors.h"

namespace netlib {
namespace {

struct ErrorText {
  std::int32_t number;
  const char* text;
};

// The classes' own numbers: three with texts of their own, the rest with the
// socket library's text (the two share their meaning), all answered without
// asking the library as an unknown number.
constexpr ErrorText kOwnTexts[] = {
    {0, "General Object level error"},
    {2, "File Not Found"},
    {3, "Path not Found"},
};
constexpr std::int32_t kLibraryNumbers[] = {
    -1,  -2,  -3,  -4,  -5,  -6,  -7,  -8,  -9,  -10, -11, -12, -13, -14, -15, -16, -17, -18, -19,
    -20, -21, -22, -23, -24, -25, -26, -27, -28, -29, -31, -32, -34, -35, -36, -37, -38, -39, -40,
    -41, -42, -43, -44, -45, -46, -47, -48, -49, -50, -51, -52, -53, -54, -55, -56, -57, -58, -59,
    -60, -61, -62, -63, -64, -65, -66, -67, -68, -69, -70, -71, -72, -74, -75, -90,
};

std::optional<std::string> fixedText(std::int32_t number) {
  for (const ErrorText& e : kOwnTexts) {
    if (e.number == number) return e.text;
  }
  for (std::int32_t n : kLibraryNumbers) {
    if (n == number) return rt::net::NetErrorStr(number);
  }
  return std::nullopt;
}

std::string clippedText(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

std::string NetBase_::InterpretError() {
  if (std::optional<std::string> text = fixedText(ERROR)) return *text;
  if (ERROR == -91) return "Rednet WinSock Error (" + std::to_string(WINSOCKERROR) + ")";
  if (ERROR == -92) return "Rednet SSL Error (" + std::to_string(SSLERROR) + ")";
  if (LOGGINGON != 0) {
    Log("_NetBase.InterpretError",
        "Not an object level error - need to ask the Rednet DLL (NetErrorStr)", log_type::kError);
  }
  std::string text = clippedText(rt::net::NetErrorStr(ERROR));
  if (LOGGINGON != 0) {
    Log("_NetBase.InterpretError",
        "Error = " + std::to_string(ERROR) + " NetErrorStr returned : " + text, log_type::kError);
  }
  std::string meaning = text + " [listed by NetErrorStr]";
  return meaning.size() > 512 ? meaning.substr(0, 512) : meaning;
}

}  // namespace netlib
