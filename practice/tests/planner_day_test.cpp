// The planner's day built from a sheet and appointments, without windows or
// tables: slot counts and numbers, the break with its separators, merging,
// over-bookings, the attention orders, colours and the warning line.
#include "practice/planner_day.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/frame/globals.h"
#include "platform/base/cp_literal.h"

namespace practice {
namespace {

constexpr std::int32_t at(int hour, int minute) { return hour * 360000 + minute * 6000 + 1; }
constexpr std::int32_t minutes(int m) { return m * 6000 + 1; }
// A row's start as the planner shows it ("@t7": hours and minutes).
std::string shown(std::int32_t time) {
  const int m = (time - 1) / 6000;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", m / 60, m % 60);
  return text;
}

DaySheet sheet(std::int32_t in1, std::int32_t out1, std::int32_t in2 = 0, std::int32_t out2 = 0,
               int slotMinutes = 20) {
  return DaySheet{7, minutes(slotMinutes), in1, out1, in2, out2};
}

DayAppointment booked(std::uint32_t code, std::uint32_t number, std::string type = "TUR") {
  DayAppointment a;
  a.Cod_Turno = code;
  a.Cod_Paciente = 100 + code;
  a.patientName = "Paciente " + std::to_string(code);
  a.Nro_Absoluto = number;
  a.Tipo = std::move(type);
  a.Duracion = minutes(20);
  return a;
}

struct Day {
  PlannerDay state;
  DayNotice notice;
  std::vector<DayRow> rows;
  explicit Day(const DayInput& input, std::int32_t date = 90000) {
    state.Cod_Medico = 3;
    state.FechaTurno = date;
    notice = ArmarPlanillaDia(state, input);
    rows = QTU();
  }
  std::vector<std::uint32_t> numbers() const {
    std::vector<std::uint32_t> out;
    for (const DayRow& r : rows) out.push_back(r.NRO_ABSOLUTO);
    return out;
  }
  int count(const std::string& type) const {
    int n = 0;
    for (const DayRow& r : rows) n += r.TIPOTURNO == type;
    return n;
  }
  const DayRow& number(std::uint32_t n) const {
    for (const DayRow& r : rows)
      if (r.NRO_ABSOLUTO == n) return r;
    throw std::runtime_error("no row " + std::to_string(n));
  }
};

TEST(PlannerDay, SlotCountsFollowTheSheet) {
  struct Case {
    const char* name;
    DaySheet sheet;
    int slots;
    const char* lastSlot;
  } cases[] = {
      {"morning 08:00-12:00", sheet(at(8, 0), at(12, 0)), 12, "11:40"},
      {"morning ending 11:59", sheet(at(8, 0), at(11, 59)), 11, "11:20"},
      // The afternoon adds 600 to its time where the morning adds 1.
      {"plus afternoon 14:00-17:59", sheet(at(8, 0), at(11, 59), at(14, 0), at(17, 59)), 23,
       "17:40"},
      {"afternoon entry without exit", sheet(at(8, 0), at(12, 0), at(14, 0), 0), 12, "11:40"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Day day({{}, c.sheet, {}});
    EXPECT_EQ(day.count("TUR"), c.slots);
    std::int32_t last = 0;
    for (const DayRow& r : day.rows)
      if (r.TIPOTURNO == "TUR") last = std::max(last, r.HORA);
    EXPECT_EQ(shown(last), c.lastSlot);
    EXPECT_EQ(GLO::CodPlanilla, 7u);
  }
}

TEST(PlannerDay, MorningOnlyNumbersSlotsAndCountsCoPaymentsInTheSecondSubtotal) {
  DayAppointment a = booked(1, 2000);
  a.Coseguro = 1250;
  Day day({{}, sheet(at(8, 0), at(12, 0)), {a}});
  std::vector<std::uint32_t> expected;
  for (std::uint32_t n = 1; n <= 12; ++n) expected.push_back(n * 1000);
  EXPECT_EQ(day.numbers(), expected);
  EXPECT_EQ(day.count("LIB") + day.count("XXX"), 0);
  EXPECT_EQ(day.state.SubTotal1Coseguro, 0);
  EXPECT_EQ(day.state.SubTotal2Coseguro, 1250);
  EXPECT_EQ(day.state.TotalCoseguro, 1250);
}

TEST(PlannerDay, TheBreakShowsBetweenTwoSeparators) {
  DayAppointment morning = booked(1, 1000), afternoon = booked(2, 14000);
  morning.Coseguro = 500;
  afternoon.Coseguro = 700;
  Day day({{}, sheet(at(8, 0), at(12, 0), at(14, 0), at(18, 0)), {morning, afternoon}});
  ASSERT_EQ(day.rows.size(), 12u + 3u + 12u);
  // Time order: ... 11:40 slot, separator, break, separator, 14:00 slot.
  const DayRow& first = day.rows[12];
  const DayRow& pause = day.rows[13];
  const DayRow& second = day.rows[14];
  EXPECT_EQ(first.TIPOTURNO, "XXX");
  EXPECT_EQ(first.NRO_ABSOLUTO, 12999u);
  EXPECT_EQ(shown(first.HORA), "12:00");
  EXPECT_EQ(pause.TIPOTURNO, "LIB");
  EXPECT_EQ(pause.NRO_ABSOLUTO, 13000u);
  EXPECT_EQ(shown(pause.HORA), "12:01");
  EXPECT_EQ(second.TIPOTURNO, "XXX");
  EXPECT_EQ(second.NRO_ABSOLUTO, 13001u);
  EXPECT_EQ(shown(second.HORA), "13:59");
  EXPECT_EQ(day.rows[15].NRO_ABSOLUTO, 14000u);
  EXPECT_EQ(shown(day.rows[15].HORA), "14:00");
  EXPECT_EQ(day.rows.back().NRO_ABSOLUTO, 25000u);
  // Separator, break and separator cover the break exactly.
  EXPECT_EQ(first.HORA + first.DURACION + pause.DURACION + second.DURACION, day.rows[15].HORA);
  for (std::size_t i = 0; i < day.rows.size(); ++i) EXPECT_EQ(day.rows[i].INDICE, i + 1);
  EXPECT_EQ(day.state.SubTotal1Coseguro, 500);
  EXPECT_EQ(day.state.SubTotal2Coseguro, 700);
  EXPECT_EQ(first.colours[kCellHora].NORMALBG, 12632256);
  EXPECT_EQ(pause.colours[kCellHora].NORMALBG, 0);
}

TEST(PlannerDay, AnOverBookingPushesTheRestOfTheMorningIntoTheBreak) {
  DayAppointment extra = booked(1, 3001, "STU");
  extra.Duracion = minutes(30);
  Day day({{}, sheet(at(8, 0), at(12, 0), at(14, 0), at(18, 0)), {extra}});
  EXPECT_EQ(shown(day.number(3001).HORA), "09:00");  // where row 3000 ends
  EXPECT_EQ(shown(day.number(4000).HORA), "09:30");
  EXPECT_EQ(shown(day.number(12999).HORA), "12:30");  // the break starts later ...
  EXPECT_EQ(shown(day.number(13001).HORA), "13:59");  // ... and still ends at 14:00
  EXPECT_EQ(shown(day.number(14000).HORA), "14:00");
}

TEST(PlannerDay, OverBookingsPastTheBreakNeverTurnTheClockBack) {
  std::vector<DayAppointment> extras;
  for (std::uint32_t i = 1; i <= 8; ++i) {
    DayAppointment a = booked(i, 12000 + i, "STU");
    a.Duracion = minutes(20);
    extras.push_back(a);
  }
  // A one-hour break overrun by 160 minutes of over-bookings.
  Day day({{}, sheet(at(8, 0), at(12, 0), at(13, 0), at(15, 0)), extras});
  EXPECT_EQ(day.count("XXX"), 0);
  const DayRow& pause = day.number(13000);
  EXPECT_EQ(pause.DURACION, 0);
  EXPECT_EQ(shown(pause.HORA), "14:40");
  EXPECT_EQ(shown(day.number(14000).HORA), "14:40");
  std::int32_t previous = 0;
  for (const DayRow& row : day.rows) {
    EXPECT_GE(row.HORA, previous);
    previous = row.HORA;
  }
}

TEST(PlannerDay, AppointmentsMergeIntoTheirSlots) {
  DayAppointment walkIn = booked(1, 2000);
  walkIn.Cod_Paciente = 0;
  walkIn.patientName.reset();
  walkIn.Nombre = "Sin ficha";
  walkIn.Telefono = "4444";
  DayAppointment lost = booked(2, 77000);  // the sheet changed: no such slot
  DayAppointment gone = booked(3, 4000);
  gone.patientName.reset();  // the patient record no longer exists
  gone.consultation = 55;
  // Two workstations booked one free slot: both show.
  DayAppointment twiceA = booked(4, 5000), twiceB = booked(5, 5000);
  twiceA.consultation = 91;
  Day day({{}, sheet(at(8, 0), at(12, 0)), {walkIn, lost, gone, twiceA, twiceB}});
  EXPECT_EQ(day.rows.size(), 12u + 2u);
  EXPECT_EQ(day.number(2000).NOMBRE, "Sin ficha");
  EXPECT_EQ(day.number(2000).TELEFONO, "4444");
  EXPECT_EQ(day.number(77000).COD_TURNO, 2u);
  EXPECT_EQ(day.number(4000).NOMBRE, "");
  EXPECT_EQ(day.number(4000).COD_CONSULTA, 55u);
  int atFive = 0;
  for (const DayRow& r : day.rows) {
    if (r.NRO_ABSOLUTO != 5000) continue;
    ++atFive;
    EXPECT_EQ(r.COD_CONSULTA, r.COD_TURNO == 4 ? 91u : 0u) << "row of appointment " << r.COD_TURNO;
  }
  EXPECT_EQ(atFive, 2);
}

TEST(PlannerDay, AttentionOrdersAndTheirColours) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::uint8_t, std::uint32_t>> orders;  // attention order, consultation
    bool walkIn;
    int next;
    int highest;
  } cases[] = {
      {"none seen", {{0, 0}}, false, 1, 0},
      {"seen with order 0", {{0, 9}}, false, 1, 0},
      {"seen 1 and 2, 3 waiting", {{1, 9}, {2, 8}, {3, 0}}, false, 3, 3},
      {"a walk-in never counts as seen", {{4, 0}}, true, 1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<DayAppointment> list;
    std::uint32_t code = 0;
    for (auto [order, consultation] : c.orders) {
      ++code;
      DayAppointment a = booked(code, code * 1000);
      a.Nro_Orden_Atencion = order;
      a.consultation = consultation;
      if (c.walkIn) {
        a.Cod_Paciente = 0;
        a.patientName.reset();
      }
      list.push_back(a);
    }
    Day day({{}, sheet(at(8, 0), at(12, 0)), list});
    EXPECT_EQ(GLO::ProximoTurno, c.next);
    EXPECT_EQ(GLO::MaxOrdenAtencion, c.highest);
  }
  std::vector<DayAppointment> list;
  for (std::uint8_t order = 1; order <= 3; ++order) {
    DayAppointment a = booked(order, order * 1000);
    a.Nro_Orden_Atencion = order;
    a.consultation = order == 1 ? 70 : 0;
    list.push_back(a);
  }
  list.push_back(booked(9, 4001, "STU"));
  Day day({{}, sheet(at(8, 0), at(12, 0)), list});
  EXPECT_EQ(day.number(1000).colours[kCellNroOrdenAtencion].NORMALBG, 65280);     // seen
  EXPECT_EQ(day.number(2000).colours[kCellNroOrdenAtencion].SELECTEDBG, 65535);   // next
  EXPECT_EQ(day.number(3000).colours[kCellNroOrdenAtencion].NORMALBG, 16764108);  // later
  EXPECT_EQ(day.number(3000).colours[kCellNombre].NORMALBG, 16764108);            // booked
  EXPECT_EQ(day.number(5000).colours[kCellNombre].NORMALBG, 16777215);            // free
  EXPECT_EQ(day.number(4001).colours[kCellNombre].NORMALBG, 13421823);            // over-booking
}

TEST(PlannerDay, HolidaysAndMissingSheetsLeaveTheDayEmpty) {
  Day built({{}, sheet(at(8, 0), at(12, 0)), {}});
  ASSERT_EQ(GLO::CodPlanilla, 7u);
  PlannerDay state;
  state.Cod_Medico = 3;
  state.FechaTurno = 90001;
  DayInput holiday{std::string("  Navidad  "), sheet(at(8, 0), at(12, 0)), {booked(1, 1000)}};
  DayNotice notice = ArmarPlanillaDia(state, holiday);
  EXPECT_TRUE(QTU().empty());
  EXPECT_EQ(state.CadenaAdvertencia, "Feriado / No Laborable: Navidad");
  EXPECT_EQ(state.advertenciaColour, kWarningRed);
  ASSERT_TRUE(notice.holidayMessage);
  EXPECT_NE(
      notice.message.find("||corresponde al siguiente feriado (o dia no laborable):||Navidad"),
      std::string::npos);
  // The same date again (another physician): no second message.
  state.Cod_Medico = 4;
  EXPECT_FALSE(ArmarPlanillaDia(state, holiday).holidayMessage);
  EXPECT_EQ(GLO::CodPlanilla, 7u);

  state.FechaTurno = 90002;
  ArmarPlanillaDia(state, DayInput{});
  EXPECT_TRUE(QTU().empty());
  EXPECT_EQ(state.CadenaAdvertencia, "Planilla de horarios no definida para médico y fecha"_cp);
  EXPECT_EQ(state.advertenciaColour, kWarningBlue);
}

TEST(PlannerDay, ASheetWithoutAConsultationLengthStillEnds) {
  for (int length : {0, 1, 5999}) {
    SCOPED_TRACE(length);
    DaySheet s = sheet(at(8, 0), at(12, 0), at(14, 0), at(18, 0));
    s.DurConsulta = length;
    Day day({{}, s, {booked(1, 5000)}});
    EXPECT_EQ(day.count("TUR"), 1);  // the appointment
    EXPECT_EQ(day.count("LIB"), 1);
    EXPECT_EQ(day.state.CadenaAdvertencia,
              "Duración de consulta no definida en la planilla de horarios"_cp);
    EXPECT_EQ(day.state.advertenciaColour, kWarningBlue);
  }
}

TEST(PlannerDay, NextOverBookingNumbers) {
  Day day({{}, sheet(at(8, 0), at(12, 0), at(14, 0), at(18, 0)), {}});
  EXPECT_EQ(ProximoSobreturno(5000), 5001u);
  DayAppointment first = booked(1, 5001, "STU");
  Day again({{}, sheet(at(8, 0), at(12, 0), at(14, 0), at(18, 0)), {first}});
  EXPECT_EQ(ProximoSobreturno(5000), 5002u);
  // The last row before the break shares its thousand with the separator.
  EXPECT_EQ(ProximoSobreturno(12000), 13000u);
  EXPECT_EQ(ProximoSobreturno(99000), 0u);
  for (std::size_t i = 1; i < QTU().size(); ++i)
    EXPECT_LE(QTU()[i - 1].NRO_ABSOLUTO, QTU()[i].NRO_ABSOLUTO);
}

TEST(PlannerDay, RefreshBuildsOnlyWhenSomethingChanged) {
  PlannerDay state;
  int reads = 0;
  auto read = [&](std::uint16_t, std::int32_t) {
    ++reads;
    return DayInput{{}, sheet(at(8, 0), at(12, 0)), {}};
  };
  EXPECT_FALSE(RefrescarPlanilla(state, read).built);  // no physician chosen
  state.Cod_Medico = 2;
  state.FechaTurno = 90000;
  EXPECT_TRUE(RefrescarPlanilla(state, read).built);
  EXPECT_FALSE(RefrescarPlanilla(state, read).built);
  state.forceRebuild = 1;
  EXPECT_TRUE(RefrescarPlanilla(state, read).built);
  EXPECT_EQ(state.forceRebuild, 0);
  state.FechaTurno = 90001;
  EXPECT_TRUE(RefrescarPlanilla(state, read).built);
  EXPECT_EQ(reads, 3);
  FreeDayQueue();
  EXPECT_TRUE(QTU().empty());
}

TEST(PlannerDay, ABreakTooShortForSeparatorsStillShowsInTimeOrder) {
  // A break of one minute and a half: no separators, the rows numbered in
  // time order all the same.
  DayAppointment late = booked(1, 12001, "STU");
  Day day({{}, sheet(at(8, 0), at(12, 0), at(12, 1) + 3000, at(14, 0)), {late}});
  EXPECT_EQ(day.count("XXX"), 0);
  ASSERT_EQ(day.count("LIB"), 1);
  for (std::size_t i = 0; i < day.rows.size(); ++i) {
    EXPECT_EQ(day.rows[i].INDICE, i + 1);
    if (i > 0) {
      EXPECT_LE(day.rows[i - 1].HORA, day.rows[i].HORA);
    }
  }
  EXPECT_EQ(day.number(12001).INDICE, 13);
  EXPECT_EQ(day.number(13000).INDICE, 14);
}

TEST(PlannerDay, FieldsByTheirNumbers) {
  DayAppointment a = booked(4, 2000);
  a.Nro_Orden_Atencion = 1;
  a.Confirmado = 1;
  a.Motivo = "Control";
  a.Coseguro = 1205;
  a.Hora = at(8, 20);
  Day day({{}, sheet(at(8, 0), at(12, 0)), {a}});
  const DayRow& row = day.number(2000);
  const std::pair<int, std::string> fields[] = {{1, "1"},
                                                {2, "0"},
                                                {3, std::to_string(at(8, 0) + minutes(20))},
                                                {5, "16764108"},
                                                {8, std::to_string(minutes(20))},
                                                {13, "1"},
                                                {16, "0"},
                                                {17, "65535"},
                                                {18, "TUR"},
                                                {23, "Control"},
                                                {28, "Paciente 4"},
                                                {33, ""},
                                                {38, "2000"},
                                                {39, "12.05"},
                                                {40, "2"},
                                                {41, "4"},
                                                {42, "0"},
                                                {44, "1"},
                                                {45, "0"},
                                                {46, ""},
                                                {0, ""}};
  for (const auto& [number, value] : fields) EXPECT_EQ(dayField(row, number), value) << number;
  DayRow owed;
  owed.COSEGURO = -50;
  EXPECT_EQ(dayField(owed, 39), "-0.50");
}

TEST(PlannerDay, TypeTextsAndWeekdayNames) {
  const std::pair<const char*, const char*> types[] = {
      {"TUR", "Turno"},      {"STU", "SobreTurno"},   {"STUX", "SobreTurno"},
      {"REU", "Reunion"},    {"LIB", "Tiempo Libre"}, {"OTR", "Otros"},
      {"", "Indeterminado"}, {"XXX", "Indeterminado"}};
  for (auto [code, text] : types) EXPECT_EQ(TraeTipoTurno(code), text) << code;
  // 61,730 is Thursday 1 January 1970.
  EXPECT_EQ(RecuperaDscDia(61730), "Jueves");
  EXPECT_EQ(RecuperaDscDia(61733), "Domingo");
  EXPECT_EQ(RecuperaDscDia(61729), "Miércoles"_cp);
  EXPECT_EQ(RecuperaDscDia(61732), "Sábado"_cp);
}

}  // namespace
}  // namespace practice
