// The tables as the letter reads them: the `Macros` records of the value
// list and the system values of the chosen patient and physician.
#include "core/aids/patient_services.h"
#include "core/aids/proper_case_name.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "letters/macro_substitution.h"
#include "platform/base/cp_literal.h"
#include "platform/base/picture.h"

namespace letters {
namespace {

// The width the letter keeps of the age text.
constexpr int kAgeWidth = 40;

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// A name-like value: proper-cased, then trimmed.
std::string proper(std::string_view text) { return trimmed(core::ProperCaseName(text)); }

// A catalogue record by its code; cleared when there is none, so a missing
// locality, plan or speciality gives an empty value.
template <class Set>
void readOrClear(const rt::TableDef& def, int key, Set setCode) {
  rt::table(def).clear();
  setCode();
  core::access(def).fetchOrClear(key);
}

}  // namespace

std::optional<MacroRecord> findMacroRecord(const std::string& identifier) {
  rt::Table& macros = core::Macros::table();
  macros.clear();
  core::MAC().Identificador = identifier;
  if (macros.fetch(core::Macros::MAC03) != 0) return std::nullopt;
  const core::MacrosBuffer& m = core::MAC();
  return MacroRecord{std::string(m.Identificador.clipped()), std::string(m.Descripcion.clipped()),
                     std::string(m.Valor.clipped()), m.Interna, m.ConservarValor};
}

void ValoresPaciente(SystemMacroValues& values, std::uint16_t patient) {
  for (std::string_view reference : kPatientReferences) values[std::string(reference)].clear();
  // No patient chosen: every patient value is empty, whatever the thread's
  // buffer still holds from an earlier lookup.
  if (patient == 0) return;
  rt::table(core::Pacientes::def()).clear();
  core::PAC().Cod_Paciente = patient;
  if (core::access(core::Pacientes::def()).fetchOrClear(core::Pacientes::PAS_001) !=
      core::level::Benign) {
    return;
  }
  const core::PacientesBuffer& p = core::PAC();
  values["***PACNOMBRE***"] = proper(p.Nombre.view());
  values["***PACDOMICILIO***"] = proper(p.Direccion.view());
  values["***PACDOCUMENTO***"] = trimmed(p.TipoDoc.view()) + " Nº "_cp +
                                 trimmed(rt::format(static_cast<double>(p.NroDoc), "@n13"));
  values["***PACCARNET***"] = proper(p.NroCarnetObraSocial.view());
  values["***PACEDAD***"] = proper(core::CalcularEdad(p.Fecha_Nacim, kAgeWidth));
  const std::uint32_t postalCode = p.Cod_Postal;
  const std::uint16_t plan = p.Cod_Cobertura;
  readOrClear(core::Localidades::def(), core::Localidades::LOC01,
              [&] { core::LOC().Cod_Postal = postalCode; });
  values["***PACLOCALIDAD***"] = proper(core::LOC().NombreLocalidad.view());
  readOrClear(core::Coberturas_Medicas::def(), core::Coberturas_Medicas::COB_001,
              [&] { core::COB().Cod_Cobertura = plan; });
  values["***PACCOBERTURA***"] = proper(core::COB().Descripcion.view());
}

void ValoresMedico(SystemMacroValues& values, std::uint16_t physician) {
  for (std::string_view reference : kPhysicianReferences) values[std::string(reference)].clear();
  if (physician == 0) return;
  rt::table(core::Medicos::def()).clear();
  core::MDC().Cod_Medico = physician;
  if (core::access(core::Medicos::def()).fetchOrClear(core::Medicos::MDC01) !=
      core::level::Benign) {
    return;
  }
  const core::MedicosBuffer& m = core::MDC();
  values["***MEDNOMBRE***"] = proper(m.Nombre.view());
  values["***MEDDOMICILIO***"] = proper(m.Domicilio.view());
  values["***MEDMATRICULA***"] = trimmed(m.Matricula.view());
  const std::uint32_t postalCode = m.Cod_Postal;
  const std::uint16_t speciality = m.Cod_Especialidad;
  readOrClear(core::Localidades::def(), core::Localidades::LOC01,
              [&] { core::LOC().Cod_Postal = postalCode; });
  values["***MEDLOCALIDAD***"] = proper(core::LOC().NombreLocalidad.view());
  readOrClear(core::Especialidades::def(), core::Especialidades::ESP01,
              [&] { core::ESP().Cod_Especialidad = speciality; });
  values["***MEDESPECIALIDAD***"] = proper(core::ESP().Descripcion.view());
}

SystemMacroValues valoresDelSistema(std::uint16_t patient, std::uint16_t physician,
                                    rt::Date today) {
  SystemMacroValues values;
  values["***FECHA***"] = ReemplazarMacroFecha(today);
  ValoresPaciente(values, patient);
  ValoresMedico(values, physician);
  return values;
}

SubstitutionResult ReemplazarMacros(std::string& letter, const MacroList& qma,
                                    std::uint16_t patient, std::uint16_t physician) {
  return ReemplazarMacros(letter, qma, valoresDelSistema(patient, physician, rt::today()));
}

}  // namespace letters
