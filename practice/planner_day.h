#pragma once
// The appointment planner's day: the process-wide day queue `QTU` built from
// one physician's schedule sheet and the day's appointments. The build is
// pure: it takes what the tables hold (DayInput) and fills the queue, the
// planner globals and the window's day state; readPlannerDay() gathers that
// input through the calling thread's record buffers.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace practice {

// The four colours of one displayed cell, 24-bit blue-green-red.
struct CellColours {
  std::int32_t NORMALFG = 0;
  std::int32_t NORMALBG = 0;
  std::int32_t SELECTEDFG = 0;
  std::int32_t SELECTEDBG = 0;
};

// The seven displayed cells, each followed in the queue by its colours.
enum DayCell {
  kCellHora,
  kCellDuracion,
  kCellNroOrdenAtencion,
  kCellTipoTurno,
  kCellMotivo,
  kCellNombre,
  kCellTelefono,
  kDayCells
};

// One row of `QTU`. Times are the runtime's (hundredths since midnight plus
// one); texts are CP1252 without padding; COSEGURO is in hundredths.
struct DayRow {
  std::uint8_t CONFIRMADO = 0;
  std::int32_t CONFIRMADO_ICONO = 0;
  std::int32_t HORA = 0;
  std::int32_t DURACION = 0;
  std::uint8_t NRO_ORDEN_ATENCION = 0;
  std::string TIPOTURNO;  // "TUR", "STU", "LIB", "REU", "OTR", "XXX"
  std::string MOTIVO;
  std::string NOMBRE;
  std::string TELEFONO;
  std::uint32_t NRO_ABSOLUTO = 0;
  std::int64_t COSEGURO = 0;
  std::uint16_t INDICE = 0;
  std::uint32_t COD_TURNO = 0;
  std::uint32_t COD_CONSULTA = 0;
  std::uint16_t NRO_ORDEN = 0;
  std::uint8_t ORDENTIPO = 0;
  std::uint8_t NOVARIAR = 0;
  std::array<CellColours, kDayCells> colours{};
};

// A row's field by its number in the queue (1 CONFIRMADO .. 45 NOVARIAR, each
// displayed cell followed by its four colours), as the export names them:
// numbers as plain digits, COSEGURO with its two places, texts unpadded;
// empty past the last field.
inline constexpr int kDayFields = 45;
std::string dayField(const DayRow& row, int number);

// The process-wide day queue; emptied and released by FreeDayQueue().
std::vector<DayRow>& QTU();
void FreeDayQueue();

// One stored appointment of the day, with what its patient and consultation
// reads found.
struct DayAppointment {
  std::uint32_t Cod_Turno = 0;
  std::uint32_t Cod_Paciente = 0;
  std::int32_t Hora = 0;
  std::int32_t Duracion = 0;
  std::uint8_t Nro_Orden = 0;
  std::uint8_t Nro_Orden_Atencion = 0;
  std::uint8_t Confirmado = 0;
  std::string Tipo;
  std::string Motivo;
  std::string Nombre;    // the walk-in's name, for an appointment without a patient
  std::string Telefono;  // likewise
  std::uint32_t Nro_Absoluto = 0;
  std::int64_t Coseguro = 0;
  // The patient's name and telephone when the patient record was found.
  std::optional<std::string> patientName;
  std::string patientPhone;
  // The consultation recorded for the appointment, 0 when none.
  std::uint32_t consultation = 0;
};

// The day's sheet and its weekday row.
struct DaySheet {
  std::uint32_t CodPlanilla = 0;
  std::int32_t DurConsulta = 0;
  std::int32_t HrEntrada1 = 0;
  std::int32_t HrSalida1 = 0;
  std::int32_t HrEntrada2 = 0;
  std::int32_t HrSalida2 = 0;
};

struct DayInput {
  std::optional<std::string> holiday;        // the holiday's description, when the date is one
  std::optional<DaySheet> sheet;             // absent: no valid sheet or no row for the weekday
  std::vector<DayAppointment> appointments;  // in key order
};

inline constexpr std::int32_t kWarningRed = 255;
inline constexpr std::int32_t kWarningBlue = 16711680;

// The planner window's day state.
struct PlannerDay {
  std::uint16_t Cod_Medico = 0;
  std::int32_t FechaTurno = 0;
  // The physician and date of the last build as RefrescarPlanilla remembers
  // them, and the flag that forces a rebuild.
  std::uint16_t builtMedico = 0;
  std::int32_t builtFecha = 0;
  int forceRebuild = 0;
  // The date the build itself last ran for (decides the holiday message).
  std::int32_t lastBuildDate = 0;
  std::string CadenaAdvertencia;
  std::int32_t advertenciaColour = 0;
  std::int64_t SubTotal1Coseguro = 0;
  std::int64_t SubTotal2Coseguro = 0;
  std::int64_t TotalCoseguro = 0;
  // The weekday row the day was built from (its entry times place the rows).
  DaySheet sheet;
};

// What a build asks its window to do besides redisplaying.
struct DayNotice {
  bool holidayMessage = false;  // beep and show `message` titled "Feriado"
  std::string message;
};

// Rebuilds the day when the physician or date changed or a rebuild was
// forced, and only with a physician chosen; `read` gathers the input.
// Answers whether a build ran, and what it asks to show.
struct RefreshResult {
  bool built = false;
  DayNotice notice;
};
RefreshResult RefrescarPlanilla(PlannerDay& day,
                                const std::function<DayInput(std::uint16_t, std::int32_t)>& read);

// The whole build for (day.Cod_Medico, day.FechaTurno).
DayNotice ArmarPlanillaDia(PlannerDay& day, const DayInput& input);

// The routines of the build, each on the queue as the build leaves it.
void GenerarTurnosLibres(std::int32_t duration, std::int64_t& remaining, std::int32_t& clock,
                         std::uint32_t& slot);
void CargarTurnosDelDia(const std::vector<DayAppointment>& appointments);
void MezclarTurnoEnPlanilla(const DayAppointment& appointment);
void CopiarTurnoAPlanilla(const DayAppointment& appointment, DayRow& row);
std::uint8_t TipoOrdenTurno(const std::string& type);
void ColorearPlanilla();
void ColorFilaPlanilla(DayRow& row);
void CalcularHorariosPlanilla(PlannerDay& day);

// The absolute number of a new over-booking after the row numbered `slot`:
// the greatest number in its thousand plus one, 0 when none. Leaves the
// queue sorted by number.
std::uint32_t ProximoSobreturno(std::int32_t slot);
// The display text of a row type ("TUR" "Turno" ...), by its first three characters.
std::string TraeTipoTurno(const std::string& type);
// The weekday name of a date, "Domingo" .. "Sábado".
std::string RecuperaDscDia(std::int32_t date);

// Gathers the input of a day through the calling thread's buffers of
// Feriados, Planilla, PlanillaHorarios, Turnos, Pacientes and Consultas
// (opened by the caller).
DayInput readPlannerDay(std::uint16_t medico, std::int32_t fecha);

}  // namespace practice
