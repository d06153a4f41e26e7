#include "letters/built_in_macros.h"

#include "core/tables/catalog_tables.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/base/logical_threads.h"

namespace letters {

const std::vector<BuiltInMacro>& builtInMacros() {
  static const std::vector<BuiltInMacro> macros = {
      {"PACNOMBRE", "Nombre del Paciente"},
      {"PACDOMICILIO", "Domicilio del Paciente"},
      {"PACLOCALIDAD", "Localidad del Paciente"},
      {"PACDOCUMENTO", "Documento del Paciente"},
      {"PACCOBERTURA", "Cobertura del Paciente"},
      {"PACCARNET", "Carnet del Paciente"},
      {"PACEDAD", "Edad del Paciente"},
      {"FECHA", "Fecha del Día"_cp},
      {"MEDNOMBRE", "FNombre del Profesional"},
      {"MEDDOMICILIO", "Domicilio del Profesional"},
      {"MEDLOCALIDAD", "Localidad del Profesional"},
      {"MEDMATRICULA", "Matrícula del Profesional"_cp},
  };
  return macros;
}

void AltaMacros() {
  rt::ProcedureScope scope("AltaMacros");
  core::TableAccess& macros = core::access(core::Macros::def());
  if (macros.open() != core::level::Benign) return;
  for (const BuiltInMacro& m : builtInMacros()) {
    macros.table().clear();
    core::MAC().Identificador = m.identifier;
    if (macros.fetchByKey(core::Macros::MAC03) == core::level::Benign) continue;
    macros.table().clear();
    core::MAC().Identificador = m.identifier;
    core::MAC().Descripcion = m.description;
    core::MAC().Interna = 1;
    // A macro whose numbering fails is skipped; the others still go in.
    if (macros.insertNumbered(false) != core::level::Benign) continue;
    macros.insert(false);
  }
  macros.close();
}

}  // namespace letters
