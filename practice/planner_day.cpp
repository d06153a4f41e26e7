#include "practice/planner_day.h"

#include <algorithm>
#include <cstdio>

#include "core/aids/main_services.h"
#include "core/frame/globals.h"
#include "platform/base/cp_literal.h"
#include "platform/base/picture.h"

namespace practice {
namespace {

constexpr std::int32_t kMinute = 6000;
constexpr std::int32_t kOneMinuteDuration = kMinute + 1;
constexpr std::int32_t kSeparatorsNeed = 2 * kOneMinuteDuration;

constexpr std::int32_t kBookedBg = 16764108;  // light blue
constexpr std::int32_t kWhite = 16777215;
constexpr std::int32_t kOverBookingBg = 13421823;  // light red
constexpr std::int32_t kGrey = 12632256;
constexpr std::int32_t kMeetingBg = 10079487;  // light orange
constexpr std::int32_t kOtherBg = 13421772;    // light grey
constexpr std::int32_t kSeenBg = 65280;        // green
constexpr std::int32_t kNextBg = 65535;        // yellow

std::vector<DayRow>& queue() {
  static std::vector<DayRow> rows;
  return rows;
}

std::string clipped(std::string text, std::size_t width) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (text.size() > width) text.resize(width);
  return text;
}

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void sortByNumber() {
  std::stable_sort(queue().begin(), queue().end(), [](const DayRow& a, const DayRow& b) {
    return a.NRO_ABSOLUTO < b.NRO_ABSOLUTO;
  });
}

DayRow* findByNumber(std::uint32_t number) {
  for (DayRow& row : queue())
    if (row.NRO_ABSOLUTO == number) return &row;
  return nullptr;
}

void paintRow(DayRow& row, std::int32_t background, std::int32_t text) {
  for (CellColours& cell : row.colours) cell = {text, background, text, background};
}

}  // namespace

std::vector<DayRow>& QTU() { return queue(); }

std::string dayField(const DayRow& row, int number) {
  // The seven displayed cells start at these numbers; their colours follow.
  static constexpr int kCellStart[kDayCells] = {3, 8, 13, 18, 23, 28, 33};
  for (int cell = 0; cell < kDayCells; ++cell) {
    const int offset = number - kCellStart[cell];
    if (offset < 1 || offset > 4) continue;
    const CellColours& c = row.colours[static_cast<std::size_t>(cell)];
    const std::int32_t colours[] = {c.NORMALFG, c.NORMALBG, c.SELECTEDFG, c.SELECTEDBG};
    return std::to_string(colours[offset - 1]);
  }
  switch (number) {
    case 1:
      return std::to_string(row.CONFIRMADO);
    case 2:
      return std::to_string(row.CONFIRMADO_ICONO);
    case 3:
      return std::to_string(row.HORA);
    case 8:
      return std::to_string(row.DURACION);
    case 13:
      return std::to_string(row.NRO_ORDEN_ATENCION);
    case 18:
      return row.TIPOTURNO;
    case 23:
      return row.MOTIVO;
    case 28:
      return row.NOMBRE;
    case 33:
      return row.TELEFONO;
    case 38:
      return std::to_string(row.NRO_ABSOLUTO);
    case 39: {
      const std::int64_t whole = row.COSEGURO / 100, cents = row.COSEGURO % 100;
      const bool negative = row.COSEGURO < 0;
      char text[32];
      std::snprintf(text, sizeof text, "%s%lld.%02lld", negative ? "-" : "",
                    static_cast<long long>(negative ? -whole : whole),
                    static_cast<long long>(negative ? -cents : cents));
      return text;
    }
    case 40:
      return std::to_string(row.INDICE);
    case 41:
      return std::to_string(row.COD_TURNO);
    case 42:
      return std::to_string(row.COD_CONSULTA);
    case 43:
      return std::to_string(row.NRO_ORDEN);
    case 44:
      return std::to_string(row.ORDENTIPO);
    case 45:
      return std::to_string(row.NOVARIAR);
    default:
      return {};
  }
}

void FreeDayQueue() {
  queue().clear();
  queue().shrink_to_fit();
}

std::uint8_t TipoOrdenTurno(const std::string& type) {
  if (type == "TUR" || type == "REU") return 1;
  if (type == "STU") return 2;
  if (type == "LIB") return 3;
  return 4;
}

void GenerarTurnosLibres(std::int32_t duration, std::int64_t& remaining, std::int32_t& clock,
                         std::uint32_t& slot) {
  // A slot is still made when up to one minute is missing at the end. A
  // duration under one minute would never end the day: it makes no slots.
  if (duration < kOneMinuteDuration) return;
  while (remaining + kMinute >= duration) {
    DayRow row;
    row.HORA = clock;
    row.DURACION = duration;
    row.TIPOTURNO = "TUR";
    row.NRO_ABSOLUTO = slot * 1000;
    row.ORDENTIPO = 1;
    queue().push_back(std::move(row));
    clock += duration;
    ++slot;
    remaining -= duration;
  }
}

void CopiarTurnoAPlanilla(const DayAppointment& a, DayRow& row) {
  row.COD_TURNO = a.Cod_Turno;
  row.DURACION = a.Duracion;
  row.NOMBRE.clear();
  row.TELEFONO.clear();
  row.HORA = a.Hora;
  row.NRO_ORDEN_ATENCION = a.Nro_Orden_Atencion;
  GLO::MaxOrdenAtencion = std::max(GLO::MaxOrdenAtencion, a.Nro_Orden_Atencion);
  if (a.Cod_Paciente != 0) {
    if (a.patientName) {
      row.NOMBRE = clipped(*a.patientName, 40);
      row.TELEFONO = clipped(a.patientPhone, 90);
    }
    row.COD_CONSULTA = a.consultation;
  } else {
    // Without a patient the row keeps its own consultation code (0 for a
    // free slot or a new row): a walk-in never counts as seen.
    row.NOMBRE = clipped(a.Nombre, 40);
    row.TELEFONO = clipped(a.Telefono, 90);
  }
  if (row.COD_CONSULTA != 0) GLO::ProximoTurno = std::max(GLO::ProximoTurno, a.Nro_Orden_Atencion);
  row.COSEGURO = a.Coseguro;
  row.NRO_ORDEN = a.Nro_Orden;
  row.CONFIRMADO = a.Confirmado;
  row.MOTIVO = clipped(a.Motivo, 80);
  row.TIPOTURNO = clipped(a.Tipo, 3);
  row.NRO_ABSOLUTO = a.Nro_Absoluto;
  row.ORDENTIPO = TipoOrdenTurno(row.TIPOTURNO);
}

void MezclarTurnoEnPlanilla(const DayAppointment& appointment) {
  DayRow* found = findByNumber(appointment.Nro_Absoluto);
  // A row that already holds an appointment (two workstations booked one
  // free slot, a type changed back) is never taken over: the newcomer gets
  // a row of its own from a cleared buffer, so neither is hidden and no row
  // carries another patient's consultation.
  if (found && found->COD_TURNO == 0) {
    DayRow row = *found;
    CopiarTurnoAPlanilla(appointment, row);
    if (row.TIPOTURNO == "STU")
      queue().push_back(std::move(row));
    else
      *found = std::move(row);
    return;
  }
  DayRow row;
  CopiarTurnoAPlanilla(appointment, row);
  queue().push_back(std::move(row));
}

void CargarTurnosDelDia(const std::vector<DayAppointment>& appointments) {
  GLO::ProximoTurno = 0;
  for (const DayAppointment& appointment : appointments) MezclarTurnoEnPlanilla(appointment);
  GLO::ProximoTurno = GLO::ProximoTurno != 0 ? static_cast<std::uint8_t>(GLO::ProximoTurno + 1) : 1;
}

void ColorFilaPlanilla(DayRow& row) {
  const std::string& type = row.TIPOTURNO;
  std::int32_t ownBackground = 0;
  if (type == "TUR") {
    ownBackground = row.COD_TURNO != 0 ? kBookedBg : kWhite;
    paintRow(row, ownBackground, 0);
  } else if (type == "STU") {
    ownBackground = kOverBookingBg;
    paintRow(row, ownBackground, 0);
  } else if (type == "LIB") {
    paintRow(row, 0, 0);
  } else if (type == "XXX") {
    paintRow(row, kGrey, kGrey);
  } else if (type == "REU") {
    paintRow(row, kMeetingBg, 0);
  } else if (type == "OTR") {
    paintRow(row, kOtherBg, 0);
  }
  if ((type == "TUR" || type == "STU") && row.NRO_ORDEN_ATENCION != 0) {
    const std::int32_t background = row.NRO_ORDEN_ATENCION < GLO::ProximoTurno    ? kSeenBg
                                    : row.NRO_ORDEN_ATENCION == GLO::ProximoTurno ? kNextBg
                                                                                  : ownBackground;
    row.colours[kCellNroOrdenAtencion].NORMALBG = background;
    row.colours[kCellNroOrdenAtencion].SELECTEDBG = background;
  }
}

void ColorearPlanilla() {
  std::stable_sort(queue().begin(), queue().end(), [](const DayRow& a, const DayRow& b) {
    return a.HORA != b.HORA ? a.HORA < b.HORA : a.ORDENTIPO < b.ORDENTIPO;
  });
  std::uint16_t index = 0;
  for (DayRow& row : queue()) {
    row.INDICE = ++index;
    ColorFilaPlanilla(row);
  }
}

void CalcularHorariosPlanilla(PlannerDay& day) {
  std::int32_t clock = day.sheet.HrEntrada1;
  sortByNumber();
  std::ptrdiff_t breakAt = -1;
  for (std::size_t i = 0; i < queue().size(); ++i) {
    DayRow& row = queue()[i];
    if (row.TIPOTURNO == "LIB") {
      breakAt = static_cast<std::ptrdiff_t>(i);
      if (clock >= row.HORA) {
        // The clock never runs back: a morning that ran past the break's end
        // leaves a break of no length starting at the clock.
        row.DURACION = std::max(0, row.DURACION - (clock - row.HORA));
        row.HORA = clock;
      } else {
        clock = row.HORA;
      }
      clock = row.HORA + row.DURACION;
    } else {
      row.HORA = clock;
      clock += row.DURACION;
    }
    if (row.COSEGURO != 0) {
      if (row.HORA >= day.sheet.HrEntrada2)
        day.SubTotal2Coseguro += row.COSEGURO;
      else
        day.SubTotal1Coseguro += row.COSEGURO;
    }
  }
  day.TotalCoseguro = day.SubTotal1Coseguro + day.SubTotal2Coseguro;
  if (breakAt < 0) return;

  DayRow& pause = queue()[static_cast<std::size_t>(breakAt)];
  // Separators stand only around a break that leaves room for both; the
  // rows are still put in time order and numbered again.
  if (pause.DURACION < kSeparatorsNeed) {
    ColorearPlanilla();
    return;
  }
  const std::int32_t start = pause.HORA;
  const std::int32_t end = pause.HORA + pause.DURACION;
  const std::uint32_t number = pause.NRO_ABSOLUTO;
  const std::uint16_t index = pause.INDICE;
  pause.HORA = start + kOneMinuteDuration;
  pause.DURACION -= kSeparatorsNeed;
  for (const auto& [at, separatorNumber] :
       {std::pair{start, number - 1}, std::pair{end - kOneMinuteDuration, number + 1}}) {
    DayRow separator;
    separator.TIPOTURNO = "XXX";
    separator.HORA = at;
    separator.DURACION = kOneMinuteDuration;
    separator.ORDENTIPO = 4;
    separator.INDICE = index;
    separator.NRO_ABSOLUTO = separatorNumber;
    ColorFilaPlanilla(separator);
    queue().push_back(std::move(separator));
  }
  ColorearPlanilla();
}

DayNotice ArmarPlanillaDia(PlannerDay& day, const DayInput& input) {
  day.SubTotal1Coseguro = day.SubTotal2Coseguro = day.TotalCoseguro = 0;
  queue().clear();
  GLO::MaxOrdenAtencion = 0;
  day.CadenaAdvertencia.clear();
  day.advertenciaColour = 0;

  DayNotice notice;
  if (input.holiday) {
    const std::string description = trimmed(*input.holiday);
    day.CadenaAdvertencia = "Feriado / No Laborable: " + description;
    day.advertenciaColour = kWarningRed;
    if (day.FechaTurno != day.lastBuildDate) {
      notice.holidayMessage = true;
      notice.message = "La fecha " + rt::format(day.FechaTurno, "@d17") +
                       "||corresponde al siguiente feriado (o dia no laborable):" + "||" +
                       description;
    }
  } else if (!input.sheet) {
    day.CadenaAdvertencia = "Planilla de horarios no definida para médico y fecha"_cp;
    day.advertenciaColour = kWarningBlue;
  } else {
    const DaySheet& sheet = *input.sheet;
    day.sheet = sheet;
    std::int64_t remaining = std::int64_t{sheet.HrSalida1} - sheet.HrEntrada1 + 1;
    std::int32_t clock = sheet.HrEntrada1;
    std::uint32_t slot = 1;
    GenerarTurnosLibres(sheet.DurConsulta, remaining, clock, slot);
    if (sheet.HrEntrada2 != 0 && sheet.HrSalida2 != 0) {
      DayRow pause;
      pause.HORA = sheet.HrSalida1;
      pause.DURACION = sheet.HrEntrada2 - sheet.HrSalida1 + 1;
      pause.TIPOTURNO = "LIB";
      pause.NRO_ABSOLUTO = slot * 1000;
      queue().push_back(std::move(pause));
      ++slot;
      remaining = std::int64_t{sheet.HrSalida2} - sheet.HrEntrada2 + 600;
      clock = sheet.HrEntrada2;
      GenerarTurnosLibres(sheet.DurConsulta, remaining, clock, slot);
    }
    CargarTurnosDelDia(input.appointments);
    ColorearPlanilla();
    CalcularHorariosPlanilla(day);
    GLO::CodPlanilla = sheet.CodPlanilla;
    core::DebugTrace("Glo:CodPlanilla -> " + std::to_string(sheet.CodPlanilla));
    if (sheet.DurConsulta < kOneMinuteDuration) {
      day.CadenaAdvertencia = "Duración de consulta no definida en la planilla de horarios"_cp;
      day.advertenciaColour = kWarningBlue;
    }
  }
  day.lastBuildDate = day.FechaTurno;
  return notice;
}

RefreshResult RefrescarPlanilla(PlannerDay& day,
                                const std::function<DayInput(std::uint16_t, std::int32_t)>& read) {
  RefreshResult result;
  if (day.Cod_Medico != day.builtMedico || day.FechaTurno != day.builtFecha ||
      day.forceRebuild == 1) {
    if (day.Cod_Medico != 0) {
      result.notice = ArmarPlanillaDia(day, read(day.Cod_Medico, day.FechaTurno));
      result.built = true;
      day.builtMedico = day.Cod_Medico;
      day.builtFecha = day.FechaTurno;
    }
  }
  day.forceRebuild = 0;
  return result;
}

std::uint32_t ProximoSobreturno(std::int32_t slot) {
  sortByNumber();
  std::uint32_t next = 0;
  const std::int64_t thousand = slot / 1000;
  for (const DayRow& row : queue())
    if (row.NRO_ABSOLUTO / 1000 == thousand) next = row.NRO_ABSOLUTO + 1;
  return next;
}

std::string TraeTipoTurno(const std::string& type) {
  const std::string code = type.substr(0, 3);
  if (code == "TUR") return "Turno";
  if (code == "STU") return "SobreTurno";
  if (code == "REU") return "Reunion";
  if (code == "LIB") return "Tiempo Libre";
  if (code == "OTR") return "Otros";
  return "Indeterminado";
}

std::string RecuperaDscDia(std::int32_t date) {
  static constexpr const char* kNames[] = {"Domingo", "Lunes",   "Martes",   "Miércoles"_cp,
                                           "Jueves",  "Viernes", "Sábado"_cp};
  const int weekday = ((date % 7) + 7) % 7;
  return kNames[weekday];
}

}  // namespace practice
