// Filter expressions come from lists, searches and reports: whatever text
// arrives must compile or be refused, and evaluate without fault.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/expression.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static char name[21] = "GARCIA, Juan        ";
  static int code = 7;
  static std::string notes = "notas 12";
  static rt::BindingTable names = [] {
    rt::BindingTable t;
    t.bind("PAC:Nombre", rt::Binding::textAt(name, sizeof name - 1));
    t.bind("PAC:Cod", rt::Binding::numberAt(&code));
    t.bind("PAC:Notas", rt::Binding::textAt(&notes));
    return t;
  }();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const rt::FilterExpression filter(text, names);
  const bool matched = filter.matches();
  if (!filter.compiled() && matched) __builtin_trap();  // a refused text matches nothing
  return 0;
}
