// The `Macros` table as the value list reads it.
#include "core/catalog_tables.h"
#include "letters/macro_substitution.h"

namespace letters {

std::optional<MacroRecord> findMacroRecord(const std::string& identifier) {
  rt::Table& macros = core::Macros::table();
  macros.clear();
  core::MAC().Identificador = identifier;
  if (macros.fetch(core::Macros::MAC03) != 0) return std::nullopt;
  const core::MacrosBuffer& m = core::MAC();
  return MacroRecord{std::string(m.Identificador.clipped()), std::string(m.Descripcion.clipped()),
                     std::string(m.Valor.clipped()), m.Interna, m.ConservarValor};
}

}  // namespace letters
