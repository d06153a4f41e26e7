// Typed dates, times, numbers and byte texts come from people and other
// systems: every text must read under every picture without fault or hang.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "textlib/value_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  static constexpr std::string_view kPictures[] = {"@D6",    "@D12!",      "@D2U",      "@T4",
                                                   "@T4M",   "@N10.2",     "@H8.2",     "@X-",
                                                   "@X8-B2", "@P###-###P", "@U@D10@T4", "@L2"};
  textlib::ValueParser parser;
  for (const std::string_view picture : kPictures) parser.Deformat(text, picture);
  return 0;
}
