// INI files come from disk and may be anything: reading one never fails, an
// untouched file is written back byte for byte, and a value written can be
// read back.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/base/cp_literal.h"
#include "platform/base/ini_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  rt::IniDocument document(text);
  if (document.text() != text) std::abort();
  for (const std::string& section : document.sectionNames()) {
    for (const auto& [entry, value] : document.entries(section)) {
      if (document.value(section, entry) != value) std::abort();
    }
  }
  if (document.setValue("Varneta", "Entrada", "valor ñ"_cp)) {
    const rt::IniDocument reread(document.text());
    if (reread.value("VARNETA", "entrada") != "valor ñ"_cp) std::abort();
  }
  return 0;
}
