// Gathers a day's holiday, sheet and appointments through the calling
// thread's buffers. A failed keyed read counts as "not found".
#include <string>

#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "practice/planner_day.h"

namespace practice {
namespace {

std::optional<DaySheet> readSheet(std::uint16_t medico, std::int32_t fecha) {
  rt::Table& sheets = core::Planilla::table();
  sheets.clear();
  core::PLA().Cod_Medico = medico;
  core::PLA().FecVigenciaDesde = 0;
  sheets.setFromBuffer(core::Planilla::PLA04);
  while (sheets.next() == 0) {
    if (core::PLA().Cod_Medico != medico) break;
    // A blank end of validity never serves a day.
    if (core::PLA().FecVigenciaDesde > fecha || core::PLA().FecVigenciaHasta < fecha) continue;
    rt::Table& rows = core::PlanillaHorarios::table();
    rows.clear();
    core::PLH().CodPlanilla = core::PLA().CodPlanilla;
    core::PLH().DiaSemanaNro = static_cast<std::uint16_t>(fecha % 7 + 1);
    if (rows.fetch(core::PlanillaHorarios::PLH03) != 0) return std::nullopt;
    return DaySheet{core::PLA().CodPlanilla, core::PLA().DurConsulta, core::PLH().HrEntrada1,
                    core::PLH().HrSalida1,   core::PLH().HrEntrada2,  core::PLH().HrSalida2};
  }
  return std::nullopt;
}

DayAppointment appointmentInBuffer() {
  const core::TurnosBuffer& t = core::TUR();
  DayAppointment a;
  a.Cod_Turno = t.Cod_Turno;
  a.Cod_Paciente = t.Cod_Paciente;
  a.Hora = t.Hora;
  a.Duracion = t.Duracion;
  a.Nro_Orden = t.Nro_Orden;
  a.Nro_Orden_Atencion = t.Nro_Orden_Atencion;
  a.Confirmado = t.Confirmado;
  a.Tipo = t.Tipo.clipped();
  a.Motivo = t.Motivo.clipped();
  a.Nombre = t.Nombre.clipped();
  a.Telefono = t.Telefono.clipped();
  a.Nro_Absoluto = t.Nro_Absoluto;
  a.Coseguro = t.Coseguro.scaled();
  if (a.Cod_Paciente == 0) return a;
  rt::Table& patients = core::Pacientes::table();
  patients.clear();
  core::PAC().Cod_Paciente = static_cast<std::uint16_t>(a.Cod_Paciente);
  if (a.Cod_Paciente <= 0xFFFF && patients.fetch(core::Pacientes::PAS_001) == 0) {
    a.patientName = std::string(core::PAC().Nombre.clipped());
    a.patientPhone = core::PAC().Telefono.clipped();
  }
  rt::Table& consultations = core::Consultas::table();
  consultations.clear();
  core::CON().Cod_Turno = a.Cod_Turno;
  if (consultations.fetch(core::Consultas::CON07) == 0) a.consultation = core::CON().Cod_Consulta;
  return a;
}

}  // namespace

DayInput readPlannerDay(std::uint16_t medico, std::int32_t fecha) {
  DayInput input;
  rt::Table& holidays = core::Feriados::table();
  holidays.clear();
  core::FER().Fecha = fecha;
  if (holidays.fetch(core::Feriados::FER03) == 0) {
    input.holiday = std::string(core::FER().Descripcion.clipped());
    return input;
  }
  input.sheet = readSheet(medico, fecha);
  if (!input.sheet) return input;
  rt::Table& appointments = core::Turnos::table();
  appointments.clear();
  core::TUR().Cod_Medico = medico;
  core::TUR().Fecha = fecha;
  appointments.setFromBuffer(core::Turnos::TUR08);
  appointments.setRange(2);
  while (appointments.next() == 0) input.appointments.push_back(appointmentInBuffer());
  return input;
}

}  // namespace practice
