// The physician list (browse and lookup, active filter, search, export) and
// the physician form (lookups, view mode, its sheets, refused deletes).
#include "practice/physician_windows.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "core/shapes/export_handover.h"
#include "core/tables/table_registration.h"
#include "core/testing/probed_window.h"
#include "platform/base/cp_literal.h"
#include "platform/base/procedures.h"
#include "practice/tests/physician_fixture.h"

namespace practice {
namespace {

using core::testing::Probed;
using rt::testing::click;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;
namespace request = core::request;

constexpr auto& kListTitle = "Examinando el archivo de Médicos"_cp;
constexpr char kFormTitle[] = "Actualizando un registro de Profesionales ";

class PhysicianWindows : public testing::PhysicianData {};

std::vector<std::string> names(const QTableView* list) {
  std::vector<std::string> shown;
  for (const auto& row : PhysicianWindows::rows(list)) shown.push_back(row.at(0));
  return shown;
}

TEST_F(PhysicianWindows, ALookupListsActivePhysiciansAndChoosesOneTheFrameHidesSelect) {
  onThread([&] {
    addSpeciality(1, "Cardiología"_cp);
    addPhysician("Carla", 7);  // a speciality without a record
    addPhysician("Beto", 1, 1);
    addPhysician("Ana", 1, 0, "4555-1234");
    core::MDC().Nombre = "";

    WindowScript lookup;
    lookup.on(kListTitle, [](rt::WindowDriver& w) {
      auto* list = w.control<QTableView>("?BROWSE:5");
      EXPECT_TRUE(w.control<QCheckBox>("?SoloActivos")->isChecked());
      EXPECT_EQ(rows(list), (std::vector<std::vector<std::string>>{
                                {"Ana", "Cardiología"_cp, "4555-1234"}, {"Carla", "", ""}}));
      EXPECT_TRUE(w.control("?SELECT:3")->isVisible());
      list->setCurrentIndex(list->model()->index(1, 0));
      click(w, "?SELECT:3");
    });
    rt::ThreadRequest() = request::Select;
    EXPECT_EQ(ExaminarMedicos(), rt::kCompleted);
    EXPECT_EQ(core::MDC().Nombre, "Carla");

    WindowScript closed;
    closed.on(kListTitle, [](rt::WindowDriver& w) { click(w, "?CLOSE"); });
    rt::ThreadRequest() = request::Select;
    EXPECT_EQ(ExaminarMedicos(), rt::kCancelled);

    Probed<PhysicianList> browse;
    browse.probe([](PhysicianList& l) {
      EXPECT_FALSE(l.control("?SELECT:3")->isVisible());
      auto* list = l.browser().list();
      list->setCurrentIndex(list->model()->index(1, 0));  // Carla
      click(l, "?SoloActivos");
    });
    browse.probe([](PhysicianList& l) {
      EXPECT_EQ(names(l.browser().list()), (std::vector<std::string>{"Ana", "Beto", "Carla"}));
      EXPECT_EQ(l.browser().selectedRow()->cells[0], "Carla");  // the row is kept
      click(l, "?SoloActivos");
    });
    browse.probe([](PhysicianList& l) {
      EXPECT_EQ(names(l.browser().list()), (std::vector<std::string>{"Ana", "Carla"}));
      EXPECT_EQ(l.browser().selectedRow()->cells[0], "Carla");
      click(l, "?CLOSE");
    });
    EXPECT_EQ(browse.Run(), rt::kCompleted);
  });
}

TEST_F(PhysicianWindows, SearchSaysWhenNothingMoreMatchesAndWhenNothingWasAsked) {
  ScriptedMessages messages;
  onThread([&] {
    addPhysician("Ana");
    addPhysician("Mariana");
    WindowScript dialog;
    dialog.on("Busqueda...", [](rt::WindowDriver& w) {
      w.control<QLineEdit>("?SEARCHVALUE")->setText("ana");
      click(w, "?FIND");
    });
    Probed<PhysicianList> list;
    auto key = [](PhysicianList& l, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
      QTest::keyClick(l.browser().list(), k, m);
    };
    list.probe([&](PhysicianList& l) { key(l, Qt::Key_F3); });
    list.probe([&](PhysicianList& l) { key(l, Qt::Key_B, Qt::ControlModifier); });
    list.probe([&](PhysicianList& l) { key(l, Qt::Key_F3); });
    list.probe([&](PhysicianList& l) { key(l, Qt::Key_F3); });
    list.probe([&](PhysicianList& l) {
      EXPECT_EQ(l.browser().selectedRow()->cells[0], "Mariana");
      click(l, "?CLOSE");
    });
    list.Run();
  });
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_EQ(messages.asked()[0].text, "No search criteria specified.");
  EXPECT_EQ(messages.asked()[0].caption, "Error");
  EXPECT_EQ(messages.asked()[1].text, "No hay mas ocurrencias.");
  EXPECT_EQ(messages.asked()[1].caption, "Buscar");
}

TEST_F(PhysicianWindows, TheExportHandsOverNameSpecialityAndTelephone) {
  struct Seen {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
    std::string procedure, title, fields;
    int mode = -1;
  } seen;
  rt::registerProcedure(core::kExportWindow, [&](const rt::ProcedureArgs&) {
    const core::ExportHandOver* h = core::currentExportHandOver();
    for (const core::ExportColumn& c : h->columns) seen.columns.push_back(c.name);
    for (const std::vector<std::string>& row : core::allExportRows(*h->rows, 3))
      seen.rows.push_back({row[0], row[1], row[2]});
    seen.procedure = h->group->procedure;
    seen.title = h->title;
    seen.fields = h->parameters.at(0);
    seen.mode = h->mode;
    return 0;
  });
  onThread([&] {
    addSpeciality(2, "Pediatría"_cp);
    addPhysician("Ana", 2, 0, "111");
    addPhysician("Beto", 0, 0, "222");
    WindowScript script;
    script.on(kListTitle, [](rt::WindowDriver& w) {
      EXPECT_TRUE(w.control("?EXPORTAR")->isEnabled());
      click(w, "?EXPORTAR");
      w.post(rt::event::Accepted, w.control("?CLOSE"));
    });
    ExaminarMedicos();
  });
  rt::unregisterProcedure(core::kExportWindow);
  EXPECT_EQ(seen.columns, (std::vector<std::string>{"Nombre", "Especialidad", "Teléfono"_cp}));
  EXPECT_EQ(seen.rows, (std::vector<std::vector<std::string>>{{"Ana", "Pediatría"_cp, "111"},
                                                              {"Beto", "", "222"}}));
  EXPECT_EQ(seen.procedure, "ExaminarMedicos9");
  EXPECT_EQ(seen.title, std::string(kListTitle));
  EXPECT_EQ(seen.fields, "1,2,3,");
  EXPECT_EQ(seen.mode, 1);
}

// The catalogue lists stand in: they count their calls and answer as told,
// a choice leaving its record in the buffer.
struct CatalogueStandIn {
  int calls = 0;
  int answer = rt::kCancelled;
  std::function<void()> choose;
  explicit CatalogueStandIn(const char* name) : name_(name) {
    rt::registerProcedure(name, [this](const rt::ProcedureArgs&) {
      ++calls;
      EXPECT_EQ(rt::ThreadRequest(), request::Select);
      rt::ThreadRequest() = 0;
      if (answer == rt::kCompleted && choose) choose();
      rt::ThreadResponse() = static_cast<std::uint8_t>(answer);
      return answer;
    });
  }
  ~CatalogueStandIn() { rt::unregisterProcedure(name_); }
  const char* name_;
};

TEST_F(PhysicianWindows, BothCodesAreLookedUpAlike) {
  CatalogueStandIn localities("ExaminarLocalidades");
  CatalogueStandIn specialities("ExaminarEspecialidades");
  localities.choose = [] { core::LOC().Cod_Postal = 5000; };
  specialities.choose = [] { core::ESP().Cod_Especialidad = 3; };
  struct Case {
    const char* entry;
    const char* label;
    const char* typed;
    int listAnswer;
    const char* shownCode;  // the entry afterwards
    const char* shownName;
    int listCalls;
    bool entrySelected;
  };
  const Case cases[] = {
      {"?MDC:COD_POSTAL", "?LOC:NOMBRELOCALIDAD", "0", 0, "", "", 0, false},
      {"?MDC:COD_POSTAL", "?LOC:NOMBRELOCALIDAD", "1234000", 0, "1234-000", "Lules", 0, false},
      {"?MDC:COD_POSTAL", "?LOC:NOMBRELOCALIDAD", "9999999", rt::kCancelled, "9999999", "", 1,
       true},
      {"?MDC:COD_POSTAL", "?LOC:NOMBRELOCALIDAD", "9999999", rt::kCompleted, "0005-000",
       "Córdoba"_cp, 1, false},
      {"?MDC:COD_ESPECIALIDAD", "?ESP:DESCRIPCION", "0", 0, "0", "", 0, false},
      {"?MDC:COD_ESPECIALIDAD", "?ESP:DESCRIPCION", "1", 0, "1", "Cardiología"_cp, 0, false},
      {"?MDC:COD_ESPECIALIDAD", "?ESP:DESCRIPCION", "77", rt::kCancelled, "77", "", 1, true},
      {"?MDC:COD_ESPECIALIDAD", "?ESP:DESCRIPCION", "77", rt::kCompleted, "3", "Clínica"_cp, 1,
       false},
  };
  onThread([&] {
    addLocality(1234000, "Lules");
    addLocality(5000, "Córdoba"_cp);
    addSpeciality(1, "Cardiología"_cp);
    addSpeciality(3, "Clínica"_cp);
    const int code = addPhysician("Ana");
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.entry) + " " + c.typed);
      localities.calls = specialities.calls = 0;
      localities.answer = specialities.answer = c.listAnswer;
      ScriptedMessages leaving({rt::button::No});  // a changed code: No to saving it on Cancel
      readPhysician(code);
      rt::ThreadRequest() = request::Change;
      Probed<PhysicianForm> form;
      form.probe([&](PhysicianForm& f) {
        auto* entry = f.control<QLineEdit>(c.entry);
        entry->setFocus();
        entry->setText(c.typed);
        f.post(rt::event::Accepted, entry);
      });
      form.probe([&](PhysicianForm& f) {
        auto* entry = f.control<QLineEdit>(c.entry);
        EXPECT_EQ(rt::fromQString(entry->text().trimmed()), c.shownCode);
        EXPECT_EQ(rt::fromQString(f.control<QLabel>(c.label)->text()), c.shownName);
        EXPECT_EQ(localities.calls + specialities.calls, c.listCalls);
        if (c.entrySelected) {
          EXPECT_EQ(f.window()->focusWidget(), entry);
          EXPECT_EQ(entry->selectedText(), entry->text());
        }
        click(f, "?CANCEL");
      });
      form.Run();
    }
  });
}

TEST_F(PhysicianWindows, ViewingClosesOnOkUnsavedAndShowsOnlyThePhysiciansOwnSheets) {
  onThread([&] {
    const int ana = addPhysician("Ana");
    const int beto = addPhysician("Beto");
    addSheet(beto, rt::makeDate(3, 1, 2024), "de Beto");
    addSheet(ana, rt::makeDate(3, 1, 2024), "Marzo", 9);
    addSheet(ana, rt::makeDate(1, 1, 2024), "Enero", 5);  // stored later, lower code
    readPhysician(ana);
    rt::ThreadRequest() = request::View;
    Probed<PhysicianForm> form;
    form.probe([](PhysicianForm& f) {
      f.control<QLineEdit>("?MDC:NOMBRE")->setText("Otra");
      const auto shown = rows(f.sheets()->list());
      ASSERT_EQ(shown.size(), 2u);
      EXPECT_EQ(shown[0][1], "01/01/2024");  // by start
      EXPECT_EQ(shown[0][4], "Enero");
      EXPECT_EQ(shown[1][4], "Marzo");
      EXPECT_EQ(f.sheets()->orderText(), "+PLA:Cod_Medico,+PLA:FecVigenciaDesde,+PLA:CodPlanilla");
      EXPECT_TRUE(f.sheets()->list()->isColumnHidden(0));  // the code
      for (const char* button : {"?Insert", "?Change", "?Delete"}) {
        EXPECT_FALSE(f.control(button)->isEnabled()) << button;
      }
      EXPECT_EQ(f.sheets()->INSERTCONTROL, nullptr);
      click(f, "?OK");
    });
    EXPECT_EQ(form.Run(), rt::kCancelled);
    readPhysician(ana);
    EXPECT_EQ(core::MDC().Nombre, "Ana");

    const int carla = addPhysician("Carla");
    readPhysician(carla);
    WindowScript empty;
    empty.on(kFormTitle, [](rt::WindowDriver& w) {
      EXPECT_TRUE(rows(static_cast<PhysicianForm&>(w).sheets()->list()).empty());
      click(w, "?CANCEL");
    });
    rt::ThreadRequest() = request::Change;
    FormularioMedico();
  });
}

TEST_F(PhysicianWindows, APhysicianWithSheetsAppointmentsConsultationsOrLettersStays) {
  ScriptedMessages answers({rt::button::Yes, rt::button::Ok, rt::button::Yes, rt::button::Ok,
                            rt::button::Yes, rt::button::Ok, rt::button::Yes, rt::button::Ok});
  const char* children[] = {"Planilla", "Turnos", "Consultas", "NotasMacros"};
  onThread([&] {
    for (const char* child : children) {
      const int code = addPhysician(child);
      const rt::TableDef& def = core::registeredTable(child);
      rt::Table& t = rt::table(def);
      t.clear();
      rt::setFieldNumber(def.fields[def.fieldIndex("Cod_Medico")], t.record(), code);
      if (def.fieldIndex("FecVigenciaDesde") >= 0) {
        rt::setFieldNumber(def.fields[def.fieldIndex("FecVigenciaDesde")], t.record(), 80000);
      }
      ASSERT_EQ(t.addNumbered(), 0) << child;
      readPhysician(code);
      rt::ThreadRequest() = request::Delete;
      EXPECT_EQ(FormularioMedico(), rt::kCancelled) << child;
      readPhysician(code);  // still there
    }
  });
  ASSERT_EQ(answers.asked().size(), 8u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(answers.asked()[2 * i].caption, "Confirmar Borrado");
    EXPECT_EQ(answers.asked()[2 * i + 1].caption, "Error de Integridad Referencial (Borrado)");
    EXPECT_NE(answers.asked()[2 * i + 1].text.find(std::string("tabla ") + children[i] + "."),
              std::string::npos)
        << answers.asked()[2 * i + 1].text;
  }
}

}  // namespace
}  // namespace practice
