// The five catalogue forms as one table: deletes, inserts and their reserved
// codes, the activity lines, the two close questions, the required
// description, history keys, titles by request, view locks, the date button,
// the colour swatch and the resizable coverage form.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <map>
#include <vector>

#include "catalogs/tests/catalog_fixture.h"
#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/base/text_order.h"
#include "platform/ui/colour_chooser.h"
#include "platform/ui/control_colors.h"

namespace catalogs {
namespace {

using rt::testing::click;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;
using testing::ProbedForm;

struct FormCase {
  const char* procedure;
  const rt::TableDef& (*table)();
  const char* logName;
  const char* title;  // of the window definition
  bool titleByRequest;
  int historyKey;
  int cancelAction;
  const char* description;  // its control
  const char* notes;        // null: none
  bool descriptionRequired;
};

const FormCase kForms[] = {
    {"FormularioEspecialidades", &core::Especialidades::def, "FORMULARIOESPECIALIDADES",
     "Actualizando un registro de Especialidades Médicas", false, core::kHistoryKey,
     core::cancel::AskSave, "?ESP:DESCRIPCION", "?ESP:NOTAS", true},
    {"FormularioFeriados", &core::Feriados::def, "FORMULARIOFERIADOS",
     "Actualizando un Registro de Feriados", true, core::kHistoryKeyH, core::cancel::AskCancel,
     "?FER:DESCRIPCION", nullptr, false},
    {"FormularioOcupaciones", &core::Ocupaciones::def, "FORMULARIOOCUPACIONES",
     "Actualizando un Registro de Ocupaciones", true, core::kHistoryKeyH, core::cancel::AskCancel,
     "?OCU:DESCRIPCION", "?OCU:NOTAS", false},
    {"FormularioTiposConsulta", &core::TiposConsultas::def, "FORMULARIOTIPOSCONSULTA",
     "Actualizando un Registro de TiposConsultas", true, core::kHistoryKeyH,
     core::cancel::AskCancel, "?TIC:DESCRIPCION", nullptr, false},
    {"FormularioCobertura", &core::Coberturas_Medicas::def, "FORMULARIOCOBERTURA",
     "Actualizando un registro de Coberturas Médicas:", false, core::kHistoryKey,
     core::cancel::AskSave, "?COB:DESCRIPCION", "?COB:NOTAS", false},
};

using testing::cp;

std::string titleFor(const FormCase& c, int request) {
  return c.titleByRequest ? titleOfRequest(request) : cp(c.title);
}

std::string upperName(const FormCase& c) { return c.logName; }

class CatalogForms : public testing::CatalogWindows {
 protected:
  // Reads the record of the code into the table's buffer.
  static void read(const FormCase& c, std::int64_t position) {
    ASSERT_EQ(rt::table(c.table()).fetchPosition(position), 0);
  }
  static int runForm(const FormCase& c, int request) {
    rt::ThreadRequest() = static_cast<std::uint8_t>(request);
    return runCatalogForm(c.procedure);
  }
  static std::string description(const FormCase& c) {
    const rt::TableDef& def = c.table();
    std::string text(
        rt::fieldText(def.fields[def.fieldIndex("Descripcion")], rt::table(def).record()));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  }
};

TEST_F(CatalogForms, DeleteShowsNoWindowAndIsRefusedWhileInUse) {
  struct Child {
    const rt::TableDef& (*table)();
    const char* field;
    const char* name;
  };
  const std::map<std::string, std::vector<Child>> children = {
      {"FormularioEspecialidades", {{&core::Medicos::def, "Cod_Especialidad", "Medicos"}}},
      {"FormularioOcupaciones", {{&core::Pacientes::def, "Cod_Ocupacion", "Pacientes"}}},
      {"FormularioTiposConsulta", {{&core::Consultas::def, "Cod_TipoConsulta", "Consultas"}}},
      {"FormularioCobertura",
       {{&core::Turnos::def, "Cod_Cobertura", "Turnos"},
        {&core::Pacientes::def, "Cod_Cobertura", "Pacientes"}}},
  };
  for (const FormCase& c : kForms) {
    SCOPED_TRACE(c.procedure);
    const auto found = children.find(c.procedure);
    const std::vector<Child> users = found == children.end() ? std::vector<Child>{} : found->second;
    onThread([&] {
      const std::int64_t used = add(c.table(), {{"Descripcion", "En uso"}});
      const std::string code =
          std::to_string(rt::fieldNumber(c.table().fields[0], rt::table(c.table()).record()));
      for (const Child& child : users) {
        const std::int64_t position = add(child.table(), {{child.field, code}});
        ScriptedMessages answers({rt::button::Yes});
        read(c, used);
        EXPECT_EQ(runForm(c, core::request::Delete), rt::kCancelled);
        ASSERT_EQ(answers.asked().size(), 2u);
        EXPECT_EQ(answers.asked()[0].caption, "Confirmar Borrado");
        EXPECT_EQ(answers.asked()[1].caption, "Error de Integridad Referencial (Borrado)");
        EXPECT_NE(answers.asked()[1].text.find(child.name), std::string::npos)
            << answers.asked()[1].text;
        EXPECT_EQ(rt::table(c.table()).records(), 1);
        // The child goes: the next refusal, if any, names the next one.
        ASSERT_EQ(rt::table(child.table()).fetchPosition(position), 0);
        ASSERT_EQ(rt::table(child.table()).remove(), 0);
      }
      {
        ScriptedMessages declined({rt::button::No});
        read(c, used);
        EXPECT_EQ(runForm(c, core::request::Delete), rt::kCancelled);
        EXPECT_EQ(rt::table(c.table()).records(), 1);
      }
      ScriptedMessages answers({rt::button::Yes});
      read(c, used);
      EXPECT_EQ(runForm(c, core::request::Delete), rt::kCompleted);
      EXPECT_EQ(rt::table(c.table()).records(), 0);
    });
  }
  EXPECT_TRUE(logLines().empty());  // no window opened
}

TEST_F(CatalogForms, InsertShowsItsReservedCodeAndCancelledRemovesIt) {
  for (const FormCase& c : kForms) {
    SCOPED_TRACE(c.procedure);
    onThread([&] {
      add(c.table(), {{"Descripcion", "Primera"}});
      WindowScript script;
      script.on(titleFor(c, core::request::Insert), [&](rt::WindowDriver& w) {
        const std::string code = rt::upper(c.table().fields[0].name);
        QWidget* shown = w.control("?" + std::string(c.table().prefix) + ":" + code);
        ASSERT_NE(shown, nullptr);
        const QString text = qobject_cast<QLineEdit*>(shown)
                                 ? qobject_cast<QLineEdit*>(shown)->text()
                                 : qobject_cast<QLabel*>(shown)->text();
        EXPECT_EQ(text.trimmed(), "2");
        EXPECT_EQ(rt::table(c.table()).records(), 2);  // reserved
        click(w, "?CANCEL");
      });
      EXPECT_EQ(runForm(c, core::request::Insert), rt::kCancelled);
      EXPECT_EQ(script.pending(), 0);
      EXPECT_EQ(rt::table(c.table()).records(), 1);
    });
  }
  std::vector<std::string> expected;
  for (const FormCase& c : kForms) {
    expected.push_back(upperName(c) + " - Insertar - Cod. 2 - Ingreso");
    expected.push_back(upperName(c) + " - Cancelado - Cod. 2 - Salida");
  }
  EXPECT_EQ(logLines(), expected);
}

TEST_F(CatalogForms, AnUnchangedChangeClosedByEscAsksNothingAndIsIndeterminate) {
  ScriptedMessages none;
  for (const FormCase& c : kForms) {
    SCOPED_TRACE(c.procedure);
    onThread([&] {
      read(c, add(c.table(), {{"Descripcion", "Primera"}}));
      WindowScript script;
      script.on(titleFor(c, core::request::Change), [&](rt::WindowDriver& w) {
        QTest::keyClick(w.control(c.description), Qt::Key_Escape);
      });
      EXPECT_EQ(runForm(c, core::request::Change), rt::kCancelled);
    });
  }
  EXPECT_TRUE(none.asked().empty());
  std::vector<std::string> expected;
  for (const FormCase& c : kForms) {
    expected.push_back(upperName(c) + " - Modificar - Cod. 1 - Ingreso");
    expected.push_back(upperName(c) + " - Indeterminado - Cod. 1 - Salida");
  }
  EXPECT_EQ(logLines(), expected);
}

// Cancel over a changed description: the save question (Cancel, then Yes
// stores) or the cancel question (No stays, then Yes leaves unstored).
TEST_F(CatalogForms, CancelOverAChangeAsksTheFormsQuestion) {
  for (const FormCase& c : kForms) {
    SCOPED_TRACE(c.procedure);
    const bool askSave = c.cancelAction == core::cancel::AskSave;
    ScriptedMessages answers(askSave ? std::vector<int>{rt::button::Cancel, rt::button::Yes}
                                     : std::vector<int>{rt::button::No, rt::button::Yes});
    const std::size_t linesBefore = logLines().size();
    onThread([&] {
      const std::int64_t position = add(c.table(), {{"Descripcion", "Primera"}});
      read(c, position);
      WindowScript script;
      auto* form = static_cast<rt::WindowDriver*>(nullptr);
      script.on(titleFor(c, core::request::Change), [&](rt::WindowDriver& w) {
        form = &w;
        w.control<QLineEdit>(c.description)->setText("Cambiada");
        click(w, "?CANCEL");  // answered Cancel / No: the form stays
        click(w, "?CANCEL");  // answered Yes
      });
      const int answer = runForm(c, core::request::Change);
      EXPECT_EQ(answer, askSave ? rt::kCompleted : rt::kCancelled);
      read(c, position);
      EXPECT_EQ(description(c), askSave ? "Cambiada" : "Primera");
    });
    ASSERT_EQ(answers.asked().size(), 2u);
    EXPECT_EQ(answers.asked()[0].text,
              askSave ? cp("¿ Desea guardar los cambios?") : cp("¿Desea Ud.cancelar?"));
    EXPECT_EQ(answers.asked()[0].caption,
              askSave ? "Guardar Registro" : "Cambios no seran Realizados!");
    std::vector<std::string> lines = logLines();
    lines.erase(lines.begin(), lines.begin() + static_cast<long>(linesBefore));
    std::vector<std::string> expected = {upperName(c) + " - Modificar - Cod. 1 - Ingreso",
                                         upperName(c) + " - Cancelado - Cod. 1 - Salida",
                                         upperName(c) + " - Cancelado - Cod. 1 - Salida"};
    if (askSave) expected.push_back(upperName(c) + " - Aceptado - Cod. 1 - Salida");
    EXPECT_EQ(lines, expected);
  }
}

TEST_F(CatalogForms, NoToTheSaveQuestionLeavesTheRecordAsItWas) {
  const FormCase& c = kForms[0];
  ScriptedMessages answers({rt::button::No});
  onThread([&] {
    const std::int64_t position = add(c.table(), {{"Descripcion", "Primera"}});
    read(c, position);
    WindowScript script;
    script.on(titleFor(c, core::request::Change), [&](rt::WindowDriver& w) {
      w.control<QLineEdit>(c.description)->setText("Cambiada");
      w.post(rt::event::CloseWindow);  // the close box
    });
    EXPECT_EQ(runForm(c, core::request::Change), rt::kCancelled);
    read(c, position);
    EXPECT_EQ(description(c), "Primera");
  });
  EXPECT_EQ(answers.asked().size(), 1u);
}

TEST_F(CatalogForms, OnlyTheSpecialityRequiresItsDescription) {
  for (const FormCase& c : kForms) {
    SCOPED_TRACE(c.procedure);
    onThread([&] {
      ProbedForm form(*catalogForm(c.procedure));
      rt::ThreadRequest() = core::request::Insert;
      form.probe([&](CatalogForm& f) {
        f.control(c.description)->setFocus();
        click(f, "?OK");
      });
      if (c.descriptionRequired) {
        form.probe([&](CatalogForm& f) {
          EXPECT_TRUE(f.isOpen());
          EXPECT_EQ(f.window()->focusWidget(), f.control(c.description));
          EXPECT_EQ(rt::table(c.table()).records(), 1);  // only the reserved one
          f.control<QLineEdit>(c.description)->setText("Cardiología");
          click(f, "?OK");
        });
      }
      EXPECT_EQ(form.Run(), rt::kCompleted);
      EXPECT_EQ(rt::table(c.table()).records(), 1);
    });
  }
}

TEST_F(CatalogForms, HistoryKeyBringsBackTheLastStoredValues) {
  for (const FormCase& c : kForms) {
    SCOPED_TRACE(c.procedure);
    onThread([&] {
      WindowScript store;
      store.on(titleFor(c, core::request::Insert), [&](rt::WindowDriver& w) {
        w.control<QLineEdit>(c.description)->setText("Guardada");
        if (c.notes) w.control<QPlainTextEdit>(c.notes)->setPlainText("Notas guardadas");
        click(w, "?OK");
      });
      ASSERT_EQ(runForm(c, core::request::Insert), rt::kCompleted);

      rt::ThreadRequest() = core::request::Insert;
      ProbedForm form(*catalogForm(c.procedure));
      const auto key = static_cast<Qt::Key>(c.historyKey & ~Qt::KeyboardModifierMask);
      form.probe([&](CatalogForm& f) {
        f.control(c.description)->setFocus();
        QTest::keyClick(f.control(c.description), key, Qt::ControlModifier);
      });
      form.probe([&](CatalogForm& f) {
        EXPECT_EQ(f.control<QLineEdit>(c.description)->text(), "Guardada");
        if (c.notes) {
          EXPECT_EQ(f.control<QPlainTextEdit>(c.notes)->toPlainText(), "");
          f.control(c.notes)->setFocus();
          QTest::keyClick(f.control(c.notes), key, Qt::ControlModifier);
        }
      });
      form.probe([&](CatalogForm& f) {
        if (c.notes) {
          EXPECT_EQ(f.control<QPlainTextEdit>(c.notes)->toPlainText(), "Notas guardadas");
        }
        click(f, "?OK");
      });
      form.Run();
    });
  }
}

TEST_F(CatalogForms, TitlesByRequestAndWhatViewingLocks) {
  const std::map<std::string, std::vector<std::string>> locks = {
      {"FormularioFeriados", {"?FER:FECHA", "?FER:DESCRIPCION", "?CALENDARIO"}},
      {"FormularioOcupaciones", {"?OCU:DESCRIPCION"}},
      {"FormularioTiposConsulta", {"?TIC:DESCRIPCION", "?TIC:COLOR", "?BUTTON:COLORDIALOG"}},
  };
  for (const FormCase& c : kForms) {
    SCOPED_TRACE(c.procedure);
    onThread([&] {
      const std::int64_t position = add(c.table(), {{"Descripcion", "Primera"}});
      for (int request : {core::request::Change, core::request::View}) {
        read(c, position);
        WindowScript script;
        script.on(titleFor(c, request), [&](rt::WindowDriver& w) {
          const auto found = locks.find(c.procedure);
          const std::vector<std::string> locked =
              found == locks.end() ? std::vector<std::string>{} : found->second;
          EXPECT_EQ(w.control<QLineEdit>(c.description)->isReadOnly(),
                    request == core::request::View && !locked.empty());
          for (const std::string& name : locked) {
            QWidget* control = w.control(name);
            ASSERT_NE(control, nullptr) << name;
            const bool locked = qobject_cast<QLineEdit*>(control)
                                    ? qobject_cast<QLineEdit*>(control)->isReadOnly()
                                    : !control->isEnabled();
            EXPECT_EQ(locked, request == core::request::View) << name;
          }
          w.control<QLineEdit>(c.description)->setText("Otra");
          click(w, "?OK");
        });
        runForm(c, request);
        EXPECT_EQ(script.pending(), 0);
      }
      read(c, position);
      EXPECT_EQ(description(c), "Otra");  // stored by the change, not by the view
    });
  }
}

TEST_F(CatalogForms, DateButtonStartsOnThisMonthAndNoPickKeepsTheDate) {
  const rt::Date today = rt::today();
  const rt::YearMonthDay now = rt::splitDate(today);
  char picked[16];
  std::snprintf(picked, sizeof picked, "15/%02d/%04d", now.month, now.year);
  onThread([&] {
    rt::ThreadRequest() = core::request::Insert;
    ProbedForm form(*catalogForm("FormularioFeriados"));
    ScriptedMessages cancelled({rt::button::Yes});
    WindowScript calendars;
    calendars
        .on("Fecha del Feriado",
            [&](rt::WindowDriver& w) {
              EXPECT_EQ(w.control<QComboBox>("?LOC:MESMONTH")->currentIndex(), now.month - 1);
              EXPECT_EQ(w.control<QSpinBox>("?LOC:YEAR")->value(), now.year);
              for (QPushButton* b : w.window()->findChildren<QPushButton*>()) {
                if (b->text() == "15") {
                  w.post(rt::event::Accepted, b);
                  return;
                }
              }
              ADD_FAILURE() << "no day 15";
            })
        .on("Fecha del Feriado", [](rt::WindowDriver& w) { w.post(rt::event::CloseWindow); });
    form.probe([](CatalogForm& f) { click(f, "?CALENDARIO"); });
    form.probe([&](CatalogForm& f) {
      EXPECT_EQ(f.control<QLineEdit>("?FER:FECHA")->text(), picked);
      EXPECT_EQ(f.window()->focusWidget(), f.control("?FER:FECHA"));
      click(f, "?CALENDARIO");
    });
    form.probe([&](CatalogForm& f) {
      EXPECT_EQ(f.control<QLineEdit>("?FER:FECHA")->text(), picked) << "closed without a pick";
      click(f, "?CANCEL");  // the record holds a date: "cancelar?", Yes
    });
    form.Run();
    EXPECT_EQ(calendars.pending(), 0);
  });
}

TEST_F(CatalogForms, ColourEntryAndDialogPaintTheSwatch) {
  std::vector<std::optional<long>> picks = {0x00FF00, std::nullopt};
  std::vector<rt::ColourRequest> asked;
  const rt::ColourChooser previous = rt::setColourChooser([&](const rt::ColourRequest& r) {
    asked.push_back(r);
    const std::optional<long> pick = picks.front();
    picks.erase(picks.begin());
    return pick;
  });
  onThread([&] {
    rt::ThreadRequest() = core::request::Insert;
    ProbedForm form(*catalogForm("FormularioTiposConsulta"));
    auto swatch = [](CatalogForm& f) { return rt::backgroundColor(f.control("?TIC:COLOR")); };
    form.probe([&](CatalogForm& f) {
      EXPECT_EQ(swatch(f), 0);  // a new type starts black
      f.control<QLineEdit>("?TIC:COLOR")->setText("255");
      f.post(rt::event::Accepted, f.control("?TIC:COLOR"));
    });
    form.probe([&](CatalogForm& f) {
      EXPECT_EQ(rt::fromBgr(swatch(f)), QColor(Qt::red));
      click(f, "?BUTTON:COLORDIALOG");
    });
    form.probe([&](CatalogForm& f) {
      EXPECT_EQ(rt::fromBgr(swatch(f)), QColor(Qt::green));
      EXPECT_EQ(f.control<QLineEdit>("?TIC:COLOR")->text().remove(',').trimmed(), "65280");
      click(f, "?BUTTON:COLORDIALOG");  // cancelled
    });
    form.probe([&](CatalogForm& f) {
      EXPECT_EQ(rt::fromBgr(swatch(f)), QColor(Qt::green));
      click(f, "?OK");
    });
    EXPECT_EQ(form.Run(), rt::kCompleted);
    EXPECT_EQ(core::TIC().Color, 0x00FF00u);
  });
  rt::setColourChooser(previous);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].title, "Seleccione Color");
  EXPECT_EQ(asked[0].start, 255);
}

TEST_F(CatalogForms, TheCoverageFormFollowsItsResizingAndTheOthersKeepTheirSize) {
  for (const FormCase& c : kForms) {
    SCOPED_TRACE(c.procedure);
    onThread([&] {
      rt::ThreadRequest() = core::request::Insert;
      ProbedForm form(*catalogForm(c.procedure));
      QSize before;
      int entryBefore = 0;
      form.probe([&](CatalogForm& f) {
        before = f.window()->size();
        entryBefore = f.control(c.description)->width();
        f.window()->resize(before + QSize(200, 150));
      });
      form.probe([&](CatalogForm& f) {
        const bool resizable = c.table == &core::Coberturas_Medicas::def;
        EXPECT_EQ(f.window()->size() != before, resizable);
        EXPECT_EQ(f.control(c.description)->width() > entryBefore, resizable);
        click(f, "?CANCEL");
      });
      form.Run();
    });
  }
}

}  // namespace
}  // namespace catalogs

namespace catalogs {
namespace {

// A form opens on its first entry, never on a check box named before it
// (the speciality form's "Inactiva?"), and the answer of its closing
// question that keeps it open (Cancel, or No to "cancel?") comes back to it.
TEST_F(CatalogForms, AFormOpensOnItsFirstEntryAndComesBackToItWhenItStaysOpen) {
  const std::map<std::string, std::string> firstEntry = {
      {"FormularioEspecialidades", "?ESP:DESCRIPCION"},
      {"FormularioFeriados", "?FER:FECHA"},
      {"FormularioOcupaciones", "?OCU:DESCRIPCION"},
      {"FormularioTiposConsulta", "?TIC:DESCRIPCION"},
      {"FormularioCobertura", "?COB:DESCRIPCION"}};
  for (const FormCase& c : kForms) {
    SCOPED_TRACE(c.procedure);
    const std::string expected = firstEntry.at(c.procedure);
    const bool asksToSave = c.cancelAction == core::cancel::AskSave;
    ScriptedMessages answers(asksToSave ? std::vector<int>{rt::button::Cancel, rt::button::No}
                                        : std::vector<int>{rt::button::No, rt::button::Yes});
    onThread([&] {
      ProbedForm form(*catalogForm(c.procedure));
      rt::ThreadRequest() = core::request::Insert;
      form.probe([&](CatalogForm& f) {
        EXPECT_EQ(f.window()->focusWidget(), f.control(expected));
        f.control<QLineEdit>(c.description)->setText("Cambiada");
        f.control("?OK")->setFocus();
        f.post(rt::event::CloseWindow);
      });
      form.probe([&](CatalogForm& f) {
        EXPECT_TRUE(f.isOpen());
        EXPECT_EQ(f.window()->focusWidget(), f.control(expected)) << "back to the first entry";
        f.post(rt::event::CloseWindow);
      });
      form.Run();
    });
    EXPECT_EQ(answers.asked().size(), 2u);
  }
}

}  // namespace
}  // namespace catalogs
