// The schedule sheet form: its weekday rows edited in the list, its values
// stored as typed, its refusals, and what a cancel leaves behind.
#include "practice/schedule_sheet_form.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include "core/testing/probed_window.h"
#include "platform/base/cp_literal.h"
#include "practice/physician_windows.h"
#include "practice/tests/physician_fixture.h"

namespace practice {
namespace {

using core::testing::Probed;
using rt::testing::click;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;
namespace request = core::request;

class ScheduleSheet : public testing::PhysicianData {};

TEST(WeekdayNames, OfferedInOrderAndReadAsTheirNumbers) {
  EXPECT_EQ(weekdayNames(), (std::vector<std::string>{"Lunes", "Martes", "Miércoles"_cp, "Jueves",
                                                      "Viernes", "Sábado"_cp, "Domingo"}));
  const std::pair<std::string, std::optional<int>> cases[] = {{"", 0},
                                                              {"Domingo", 1},
                                                              {"Lunes", 2},
                                                              {"Martes", 3},
                                                              {"Miércoles"_cp, 4},
                                                              {"Jueves", 5},
                                                              {"Viernes", 6},
                                                              {"Sábado"_cp, 7},
                                                              {"Lunes     ", 2},
                                                              {"          ", 0},
                                                              {"Feriado", std::nullopt},
                                                              {"lunes", std::nullopt}};
  for (const auto& [name, number] : cases) EXPECT_EQ(weekdayNumber(name), number) << name;
}

using Form = Probed<ScheduleSheetForm>;

QWidget* editor(ScheduleSheetForm& f) { return f.weekdays()->cellEditor(); }
void key(ScheduleSheetForm& f, Qt::Key k) { QTest::keyClick(editor(f), k); }
void choose(ScheduleSheetForm& f, const std::string& name) {
  auto* combo = qobject_cast<QComboBox*>(editor(f));
  ASSERT_NE(combo, nullptr);
  combo->setCurrentIndex(combo->findText(rt::toQString(name)));
}
void type(ScheduleSheetForm& f, const char* text) {
  auto* entry = qobject_cast<QLineEdit*>(editor(f));
  ASSERT_NE(entry, nullptr);
  entry->setText(text);
}

TEST_F(ScheduleSheet, TheWeekdayRowsAreEditedCellByCellInTheList) {
  onThread([&] {
    const int ana = addPhysician("Ana");
    const std::uint32_t sheet = addSheet(ana, rt::makeDate(1, 1, 2024));
    readSheet(sheet);
    rt::ThreadRequest() = request::Change;
    Form form;
    form.probe([](ScheduleSheetForm& f) {
      EXPECT_EQ(rt::fromQString(f.window()->windowTitle()), "Modificando Registro");
      EXPECT_FALSE(f.control("?EXPORTAR")->isEnabled());  // nothing to export yet
      click(f, "?Insert");
    });
    form.probe([](ScheduleSheetForm& f) {
      EXPECT_EQ(f.weekdays()->editColumn(), 1);
      EXPECT_EQ(qobject_cast<QComboBox*>(editor(f))->currentIndex(), -1);  // a new row: none
      EXPECT_EQ(qobject_cast<QComboBox*>(editor(f))->count(), 7);
      choose(f, "Miércoles"_cp);
      key(f, Qt::Key_Tab);
    });
    form.probe([](ScheduleSheetForm& f) {
      EXPECT_EQ(f.weekdays()->editColumn(), 2);
      type(f, "08:00");
      key(f, Qt::Key_Return);
    });
    form.probe([](ScheduleSheetForm& f) {
      type(f, "12:30");
      key(f, Qt::Key_Tab);
    });
    form.probe([](ScheduleSheetForm& f) { key(f, Qt::Key_Tab); });
    form.probe([](ScheduleSheetForm& f) {
      EXPECT_EQ(f.weekdays()->editColumn(), 5);
      EXPECT_EQ(core::PlanillaHorarios::table().records(), 0);  // stored only after the row
      key(f, Qt::Key_Tab);
    });
    form.probe([](ScheduleSheetForm& f) {
      EXPECT_FALSE(f.weekdays()->editing());
      EXPECT_EQ(
          rows(f.weekdays()->list()),
          (std::vector<std::vector<std::string>>{{"Miércoles"_cp, "08:00", "12:30", "", ""}}));
      EXPECT_TRUE(f.control("?EXPORTAR")->isEnabled());
      click(f, "?Insert");
    });
    form.probe([](ScheduleSheetForm& f) {
      choose(f, "Domingo");
      for (int i = 0; i < 5; ++i) key(f, Qt::Key_Return);
    });
    form.probe([](ScheduleSheetForm& f) {
      const auto shown = rows(f.weekdays()->list());
      ASSERT_EQ(shown.size(), 2u);
      EXPECT_EQ(shown[0][0], "Domingo");  // in weekday order
      auto* list = f.weekdays()->list();
      list->setCurrentIndex(list->model()->index(0, 0));
      click(f, "?Change");
    });
    form.probe([](ScheduleSheetForm& f) {
      EXPECT_EQ(qobject_cast<QComboBox*>(editor(f))->currentText(), "Domingo");
      key(f, Qt::Key_Down);  // stored, and on to the same cell of the next row
    });
    form.probe([](ScheduleSheetForm& f) {
      ASSERT_TRUE(f.weekdays()->editing());
      EXPECT_EQ(f.weekdays()->editColumn(), 1);
      EXPECT_EQ(rt::fromQString(qobject_cast<QComboBox*>(editor(f))->currentText()),
                "Miércoles"_cp);
      key(f, Qt::Key_Escape);
    });
    form.probe([](ScheduleSheetForm& f) {
      EXPECT_FALSE(f.weekdays()->editing());
      EXPECT_TRUE(f.isOpen());  // Esc left the cell, not the form
      click(f, "?Insert");
    });
    form.probe([](ScheduleSheetForm& f) {
      EXPECT_EQ(rows(f.weekdays()->list()).size(), 3u);
      key(f, Qt::Key_Escape);
    });
    form.probe([](ScheduleSheetForm& f) {
      EXPECT_EQ(rows(f.weekdays()->list()).size(), 2u);  // the abandoned row is gone
      click(f, "?OK");
    });
    EXPECT_EQ(form.Run(), rt::kCompleted);
    EXPECT_EQ(core::PlanillaHorarios::table().records(), 2);
    core::PLH().CodPlanilla = sheet;
    core::PLH().DiaSemanaNro = 4;
    ASSERT_EQ(core::PlanillaHorarios::table().fetch(core::PlanillaHorarios::PLH03), 0);
    EXPECT_EQ(core::PLH().DiaSemanaDsc, "Miércoles"_cp);
    EXPECT_EQ(core::PLH().HrEntrada1, 8 * 360000 + 1);
    EXPECT_EQ(core::PLH().HrSalida1, 12 * 360000 + 30 * 6000 + 1);
    EXPECT_EQ(core::PLH().HrEntrada2, 0);
    core::PLH().DiaSemanaNro = 1;
    ASSERT_EQ(core::PlanillaHorarios::table().fetch(core::PlanillaHorarios::PLH03), 0);
    EXPECT_EQ(core::PLH().DiaSemanaDsc, "Domingo");
  });
}

// An hour its cell cannot read is refused by the column's title and stays in
// the cell for correction; nothing of the row is stored meanwhile.
TEST_F(ScheduleSheet, AnHourTheCellCannotReadIsRefusedAndKept) {
  onThread([&] {
    const int ana = addPhysician("Ana");
    const std::uint32_t sheet = addSheet(ana, rt::makeDate(1, 1, 2024));
    readSheet(sheet);
    ScriptedMessages messages;
    rt::ThreadRequest() = request::Change;
    Form form;
    form.probe([](ScheduleSheetForm& f) { click(f, "?Insert"); });
    form.probe([](ScheduleSheetForm& f) {
      choose(f, "Lunes");
      key(f, Qt::Key_Tab);
    });
    form.probe([](ScheduleSheetForm& f) {
      type(f, "25:70");
      key(f, Qt::Key_Tab);
    });
    form.probe([&](ScheduleSheetForm& f) {
      ASSERT_EQ(messages.asked().size(), 1u);
      EXPECT_NE(messages.asked()[0].text.find("Hr Entrada 1: \"25:70\" no es un valor"),
                std::string::npos)
          << messages.asked()[0].text;
      ASSERT_TRUE(f.weekdays()->editing());
      EXPECT_EQ(f.weekdays()->editColumn(), 2);
      EXPECT_EQ(qobject_cast<QLineEdit*>(editor(f))->text(), "25:70");
      EXPECT_EQ(core::PlanillaHorarios::table().records(), 0);
      type(f, "08:00");
      for (int i = 0; i < 4; ++i) key(f, Qt::Key_Tab);
    });
    form.probe([](ScheduleSheetForm& f) {
      EXPECT_FALSE(f.weekdays()->editing());
      EXPECT_EQ(rows(f.weekdays()->list()),
                (std::vector<std::vector<std::string>>{{"Lunes", "08:00", "", "", ""}}));
      click(f, "?OK");
    });
    EXPECT_EQ(form.Run(), rt::kCompleted);
    EXPECT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(core::PlanillaHorarios::table().records(), 1);
  });
}

TEST_F(ScheduleSheet, ValuesAreStoredAsTypedAndACalendarClosedWithoutAPickKeepsHasta) {
  onThread([&] {
    const int ana = addPhysician("Ana");
    core::PLA().Cod_Medico = static_cast<std::uint16_t>(ana);
    core::access(core::Planilla::def())
        .holdOnPrime(core::Planilla::def().fieldIndex("Cod_Medico"), ana);
    WindowScript calendar;
    calendar.on("Bucar Fecha", [](rt::WindowDriver& w) { w.post(rt::event::CloseWindow); });
    rt::ThreadRequest() = request::Insert;
    Form form;
    form.probe([](ScheduleSheetForm& f) {
      EXPECT_EQ(rt::fromQString(f.window()->windowTitle()), "Agregando Registro");
      // The dates in either order, a 30-minute consultation.
      f.control<QLineEdit>("?PLA:FECVIGENCIADESDE")->setText("01/06/2024");
      f.control<QLineEdit>("?PLA:FECVIGENCIAHASTA")->setText("31/12/2023");
      f.control<QLineEdit>("?PLA:DURCONSULTA")->setText("00:30");
      click(f, "?CALENDAR:2");
    });
    form.probe([](ScheduleSheetForm& f) {
      EXPECT_EQ(f.control<QLineEdit>("?PLA:FECVIGENCIAHASTA")->text().trimmed(), "31/12/2023");
      click(f, "?OK");
    });
    EXPECT_EQ(form.Run(), rt::kCompleted);
    core::access(core::Planilla::def()).releaseHeld();
    EXPECT_EQ(calendar.pending(), 0);
    ASSERT_EQ(core::Planilla::table().records(), 1);
    readSheet(1);
    EXPECT_EQ(core::PLA().Cod_Medico, ana);
    EXPECT_EQ(core::PLA().FecVigenciaDesde, rt::makeDate(6, 1, 2024));
    EXPECT_EQ(core::PLA().FecVigenciaHasta, rt::makeDate(12, 31, 2023));
    EXPECT_EQ(core::PLA().DurConsulta, 180001);
    EXPECT_EQ(core::PLA().DurSobreturno, 0);
  });
}

TEST_F(ScheduleSheet, LettersStepThroughTheWeekdaysAndARowWithoutOneIsNeverStored) {
  ScriptedMessages messages;
  onThread([&] {
    const int ana = addPhysician("Ana");
    const std::uint32_t sheet = addSheet(ana, rt::makeDate(1, 1, 2024));
    readSheet(sheet);
    rt::ThreadRequest() = request::Change;
    std::vector<std::string> picked;
    Form form;
    form.probe([](ScheduleSheetForm& f) { click(f, "?Insert"); });
    form.probe([&](ScheduleSheetForm& f) {
      for (int i = 0; i < 3; ++i) {  // m, m, m: Martes, Miércoles, Martes again
        key(f, Qt::Key_M);
        picked.push_back(rt::fromQString(qobject_cast<QComboBox*>(editor(f))->currentText()));
      }
      qobject_cast<QComboBox*>(editor(f))->setCurrentIndex(-1);  // no weekday after all
      key(f, Qt::Key_Down);
    });
    form.probe([](ScheduleSheetForm& f) {
      EXPECT_TRUE(f.weekdays()->editing()) << "the row waits for its weekday";
      EXPECT_EQ(f.weekdays()->editColumn(), 1);
      EXPECT_EQ(core::PlanillaHorarios::table().records(), 0);
      key(f, Qt::Key_Escape);
    });
    form.probe([](ScheduleSheetForm& f) { click(f, "?OK"); });
    form.Run();
    EXPECT_EQ(picked, (std::vector<std::string>{"Martes", "Miércoles"_cp, "Martes"}));
    EXPECT_EQ(core::PlanillaHorarios::table().records(), 0);
  });
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].text, "Día: es un dato requerido para guardar la fila."_cp);
}

TEST_F(ScheduleSheet, ASecondSheetOnTheSameDayAndASecondRowOfAWeekdayAreRefused) {
  // The two refusals, then No to saving the typed sheet on Cancel.
  ScriptedMessages messages({rt::button::Ok, rt::button::Ok, rt::button::No});
  onThread([&] {
    const int ana = addPhysician("Ana");
    const std::uint32_t sheet = addSheet(ana, rt::makeDate(1, 1, 2024));
    addWeekday(sheet, 2, "Lunes");
    readSheet(sheet);
    rt::ThreadRequest() = request::Change;
    Form rowsForm;
    rowsForm.probe([](ScheduleSheetForm& f) { click(f, "?Insert"); });
    rowsForm.probe([](ScheduleSheetForm& f) {
      choose(f, "Lunes");
      for (int i = 0; i < 5; ++i) key(f, Qt::Key_Tab);
    });
    rowsForm.probe([](ScheduleSheetForm& f) {
      EXPECT_TRUE(f.weekdays()->editing());  // the row stays open to be mended
      key(f, Qt::Key_Escape);
    });
    rowsForm.probe([](ScheduleSheetForm& f) { click(f, "?OK"); });
    rowsForm.Run();
    EXPECT_EQ(core::PlanillaHorarios::table().records(), 1);

    core::PLA().Cod_Medico = static_cast<std::uint16_t>(ana);
    core::access(core::Planilla::def())
        .holdOnPrime(core::Planilla::def().fieldIndex("Cod_Medico"), ana);
    rt::ThreadRequest() = request::Insert;
    Form second;
    second.probe([](ScheduleSheetForm& f) {
      f.control<QLineEdit>("?PLA:FECVIGENCIADESDE")->setText("01/01/2024");
      click(f, "?OK");
    });
    second.probe([](ScheduleSheetForm& f) {
      EXPECT_TRUE(f.isOpen());
      click(f, "?CANCEL");
    });
    EXPECT_EQ(second.Run(), rt::kCancelled);
    core::access(core::Planilla::def()).releaseHeld();
    EXPECT_EQ(core::Planilla::table().records(), 1);
  });
  ASSERT_EQ(messages.asked().size(), 3u);
  EXPECT_EQ(messages.asked()[2].caption, "Guardar Registro");
  for (const auto& [asked, key] :
       {std::pair{0, "CodPlanilla - Nrodia"}, std::pair{1, "CodPersona - Vigencia"}}) {
    EXPECT_EQ(messages.asked()[asked].caption, "Error Clave Duplicada");
    EXPECT_EQ(messages.asked()[asked].text,
              std::string("Agregar este registro crea una clave duplicada para la clave: ") + key);
  }
}

// A new sheet cancelled after rows were stored leaves neither: a sheet
// without dates would block the physician's next new sheet.
TEST_F(ScheduleSheet, ACancelledNewSheetTakesItsRowsWithIt) {
  ScriptedMessages messages;
  onThread([&] {
    const int ana = addPhysician("Ana");
    core::access(core::Planilla::def())
        .holdOnPrime(core::Planilla::def().fieldIndex("Cod_Medico"), ana);
    for (const char* button : {"?CANCEL", "?OK"}) {
      rt::ThreadRequest() = request::Insert;
      Form form;
      form.probe([](ScheduleSheetForm& f) { click(f, "?Insert"); });
      form.probe([](ScheduleSheetForm& f) {
        choose(f, "Lunes");
        for (int i = 0; i < 5; ++i) key(f, Qt::Key_Tab);
      });
      form.probe([](ScheduleSheetForm& f) {
        EXPECT_EQ(core::PlanillaHorarios::table().records(), 1);
        click(f, "?Insert");
      });
      form.probe([button](ScheduleSheetForm& f) {
        choose(f, "Martes");
        click(f, button);  // the open row goes with the cancel, or is stored with OK
      });
      const bool cancelled = std::string(button) == "?CANCEL";
      EXPECT_EQ(form.Run(), cancelled ? rt::kCancelled : rt::kCompleted);
      EXPECT_EQ(core::Planilla::table().records(), cancelled ? 0 : 1) << button;
      EXPECT_EQ(core::PlanillaHorarios::table().records(), cancelled ? 0 : 2) << button;
    }
    core::access(core::Planilla::def()).releaseHeld();
  });
  EXPECT_TRUE(messages.asked().empty());
}

// Before its first sheet a new physician is written; cancelled then, he
// stays, since his sheet keeps him.
TEST_F(ScheduleSheet, ANewPhysicianWithASheetCancelledStaysAsWritten) {
  ScriptedMessages messages({rt::button::No});  // not saving the typed name on Cancel
  onThread([&] {
    WindowScript sheetForm;
    sheetForm.on("Agregando Registro", [](rt::WindowDriver& w) {
      w.control<QLineEdit>("?PLA:FECVIGENCIADESDE")->setText("01/03/2024");
      click(w, "?OK");
    });
    rt::ThreadRequest() = request::Insert;
    Probed<PhysicianForm> form;
    form.probe([](PhysicianForm& f) {
      f.control<QLineEdit>("?MDC:NOMBRE")->setText("Nuevo");
      f.control<QTabWidget>("?CurrentTab")->setCurrentIndex(1);
      click(f, "?Insert");
    });
    form.probe([](PhysicianForm& f) {
      EXPECT_EQ(rows(f.sheets()->list()).size(), 1u);
      click(f, "?CANCEL");
    });
    EXPECT_EQ(form.Run(), rt::kCompleted);  // he stays: the caller shows him
    EXPECT_EQ(sheetForm.pending(), 0);
    ASSERT_EQ(core::Medicos::table().records(), 1);
    readPhysician(1);
    EXPECT_EQ(core::MDC().Nombre, "Nuevo");
    EXPECT_EQ(core::Planilla::table().records(), 1);
  });
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_EQ(messages.asked()[0].caption, "Guardar Registro");
  EXPECT_EQ(messages.asked()[1].caption, "Error de Integridad Referencial (Borrado)");
  EXPECT_NE(messages.asked()[1].text.find("tabla Planilla."), std::string::npos);
}

}  // namespace
}  // namespace practice
