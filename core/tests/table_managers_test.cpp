// The table managers at work: numbering, primed records, defaults and
// ranges, duplicate keys, the integrity rules inside one transaction, the
// refusal of a write over a record changed elsewhere (another logical thread,
// another process), and waiting for another workstation's lock.
#include "core/tables/table_managers.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/testing/practice_folder.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/procedures.h"
#include "platform/base/runtime_errors.h"
#include "platform/base/testing/test_environment.h"
#include "platform/base/thread_timer.h"
#include "platform/data/connection.h"
#include "platform/data/database.h"
#include "platform/data/record_buffer.h"
#include "platform/data/testing/other_workstation.h"
#include "platform/ui/testing/window_test_kit.h"

namespace core {
namespace {

using rt::testing::ScriptedMessages;

class TableManagersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(core::testing::openFreshPractice("managers", folder_));
    TableManagersInit();
  }
  void TearDown() override {
    TableManagersKill();
    rt::closeDatabase();
  }

  // A second workstation: its own connection to the plain data file.
  std::unique_ptr<rt::testing::OtherWorkstation> otherWorkstation() {
    return std::make_unique<rt::testing::OtherWorkstation>(folder_ / "Varneta.dat");
  }

  std::filesystem::path folder_;
};

void setValue(const rt::TableDef& def, std::string_view field, std::int64_t value) {
  const rt::FieldDef& f = def.fields.at(def.fieldIndex(field));
  if (rt::isTextField(f)) {
    rt::setFieldText(f, rt::table(def).record(), std::to_string(value));
  } else {
    rt::setFieldNumber(f, rt::table(def).record(), value);
  }
}

std::int64_t valueOf(const rt::TableDef& def, std::string_view field) {
  return rt::fieldNumber(def.fields.at(def.fieldIndex(field)), rt::table(def).record());
}

std::int64_t stored(const rt::TableDef& def) { return rt::table(def).records(); }

// Adds a record straight through the table, bypassing every rule.
void addPlain(const rt::TableDef& def, std::vector<std::pair<std::string_view, std::int64_t>> v) {
  rt::table(def).clear();
  for (auto& [field, value] : v) setValue(def, field, value);
  ASSERT_EQ(rt::table(def).add(), 0) << def.label;
}

TEST_F(TableManagersTest, NumberingTakesTheHighestPlusOneAndPrimedRecordsExistAtOnce) {
  TableRelations& pacientes = relate(Pacientes::def());
  ASSERT_EQ(pacientes.open(), level::Benign);
  TableAccess& pac = pacientes.access();
  pac.primeRecord();
  ASSERT_EQ(pac.insertNumbered(), level::Benign);
  EXPECT_EQ(PAC().Cod_Paciente, 1);  // an empty table starts at 1
  addPlain(Pacientes::def(), {{"Cod_Paciente", 2}});
  addPlain(Pacientes::def(), {{"Cod_Paciente", 5}});

  pac.primeRecord();
  PAC().Nombre = "Nueva";
  PAC().Notas = "antecedentes";
  ASSERT_EQ(pac.insertNumbered(), level::Benign);
  EXPECT_EQ(PAC().Cod_Paciente, 6);  // gaps are not reused
  EXPECT_TRUE(pac.numberedPending());
  EXPECT_EQ(stored(Pacientes::def()), 4);  // there before the form completes
  EXPECT_EQ(PAC().Notas, "antecedentes");  // kept in the buffer for the insert

  // Completing the insert writes over the primed record, memos included.
  ASSERT_EQ(pacientes.insert(), level::Benign);
  EXPECT_FALSE(pac.numberedPending());
  EXPECT_EQ(stored(Pacientes::def()), 4);
  PAC().Cod_Paciente = 6;
  PAC().Notas.clear();
  ASSERT_EQ(pac.fetchByKey(Pacientes::PAS_001), level::Benign);
  EXPECT_EQ(PAC().Notas, "antecedentes");
  EXPECT_EQ(PAC().Nombre.clipped(), "Nueva");
  pacientes.close();

  // Topics and saved-layout columns number too, columns within their layout.
  TableRelations& temas = relate(Temas::def());
  ASSERT_EQ(temas.open(), level::Benign);
  for (std::uint32_t expected : {1u, 2u}) {
    temas.access().primeRecord();
    ASSERT_EQ(temas.access().insertNumbered(), level::Benign);
    EXPECT_EQ(TEM().NroInternoTema, expected);
    ASSERT_EQ(temas.insert(), level::Benign);
  }
  temas.close();
  TableAccess& items = access(KovSaveD::def());
  ASSERT_EQ(items.open(), level::Benign);
  for (auto [layout, expected] : {std::pair{7, 1}, {7, 2}, {8, 1}, {7, 3}}) {
    items.primeRecord();
    KOV_D().ID = layout;
    ASSERT_EQ(items.insertNumbered(), level::Benign);
    EXPECT_EQ(KOV_D().ITEM, expected) << "layout " << layout;
  }
  items.close();
}

TEST_F(TableManagersTest, NumberingThatFailsThreeTimesAsksWhetherToTryAgain) {
  TableAccess& planilla = access(Planilla::def());
  ASSERT_EQ(planilla.open(), level::Benign);
  addPlain(Planilla::def(), {{"CodPlanilla", 1}, {"Cod_Medico", 3}, {"FecVigenciaDesde", 100}});
  ScriptedMessages messages({rt::button::Yes, rt::button::No});
  planilla.primeRecord();
  PLA().Cod_Medico = 3;  // the physician's sheet of that day exists already
  PLA().FecVigenciaDesde = 100;
  EXPECT_EQ(planilla.insertNumbered(), level::Fatal);
  ASSERT_EQ(messages.asked().size(), 2u);  // three attempts, yes, three more, no
  for (const rt::MessageRequest& asked : messages.asked()) {
    EXPECT_EQ(asked.caption, "Error AutoNumeración"_cp);
    EXPECT_NE(asked.text.find("CodPersona - Vigencia"), std::string::npos) << asked.text;
  }
  EXPECT_FALSE(planilla.numberedPending());
  EXPECT_EQ(stored(Planilla::def()), 1);
  // A caller that asked for no messages is not asked.
  EXPECT_EQ(planilla.insertNumbered(false), level::Fatal);
  EXPECT_EQ(messages.asked().size(), 2u);
}

TEST_F(TableManagersTest, AnAbandonedInsertRemovesThePrimedRecordAndWhatReferredToIt) {
  TableRelations& consultas = relate(Consultas::def());
  ASSERT_EQ(consultas.open(), level::Benign);
  addPlain(Consultas::def(), {{"Cod_Consulta", 1}, {"Cod_Paciente", 3}});
  addPlain(Adjuntos::def(), {{"CodAdjunto", 1}, {"Cod_Consulta", 1}});

  consultas.access().primeRecord();
  CON().Cod_Paciente = 3;
  ASSERT_EQ(consultas.access().insertNumbered(), level::Benign);
  ASSERT_EQ(CON().Cod_Consulta, 2u);
  // The form adds attachments that refer to the new consultation.
  addPlain(Adjuntos::def(), {{"CodAdjunto", 2}, {"Cod_Consulta", 2}});
  addPlain(Adjuntos::def(), {{"CodAdjunto", 3}, {"Cod_Consulta", 2}});
  ASSERT_EQ(stored(Consultas::def()), 2);

  ScriptedMessages messages;
  EXPECT_EQ(consultas.cancelNumbered(), level::Benign);
  EXPECT_TRUE(messages.asked().empty());  // removed without asking
  EXPECT_EQ(stored(Consultas::def()), 1);
  EXPECT_EQ(stored(Adjuntos::def()), 1);                 // only the other consultation's attachment
  EXPECT_EQ(consultas.cancelNumbered(), level::Benign);  // nothing pending any more
  EXPECT_EQ(stored(Consultas::def()), 1);
  consultas.close();
}

TEST_F(TableManagersTest, NewRecordsGetTheirDefaultsAndValuesOutOfRangeAreRefused) {
  ScriptedMessages messages;
  TableAccess& usuarios = access(Usuarios::def());
  TableAccess& recordatorios = access(AgendaRecordatoria::def());
  TableAccess& macros = access(Macros::def());
  ASSERT_EQ(usuarios.open(), level::Benign);
  ASSERT_EQ(recordatorios.open(), level::Benign);
  ASSERT_EQ(macros.open(), level::Benign);
  usuarios.primeRecord();
  recordatorios.primeRecord();
  MAC().Interna = 7;
  macros.primeRecord();
  EXPECT_EQ(USU().NivelAcceso, 5);
  EXPECT_EQ(AGG().Prioridad, 3);
  EXPECT_EQ(MAC().Interna, 0);

  struct Case {
    TableAccess* access;
    const rt::TableDef* def;
    const char* field;
    int value;
    bool accepted;
    const char* text;
  };
  const Case cases[] = {
      {&usuarios, &Usuarios::def(), "NivelAcceso", 0, true, ""},
      {&usuarios, &Usuarios::def(), "NivelAcceso", 9, true, ""},
      {&usuarios, &Usuarios::def(), "NivelAcceso", 10, false,
       "El valor de Nivel de Acceso al Sistema debe ser entre 0 .. 9."},
      {&recordatorios, &AgendaRecordatoria::def(), "Prioridad", 1, true, ""},
      {&recordatorios, &AgendaRecordatoria::def(), "Prioridad", 6, true, ""},
      {&recordatorios, &AgendaRecordatoria::def(), "Prioridad", 0, false,
       "El valor de Prioridad de la tarea debe ser entre 1 .. 6."},
      {&recordatorios, &AgendaRecordatoria::def(), "Prioridad", 7, false,
       "El valor de Prioridad de la tarea debe ser entre 1 .. 6."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " " + std::to_string(c.value));
    const std::size_t asked = messages.asked().size();
    const std::int64_t before = stored(*c.def);
    c.access->primeRecord();
    setValue(*c.def, c.field, c.value);
    EXPECT_EQ(c.access->insert(), c.accepted ? level::Benign : level::Fatal);
    EXPECT_EQ(stored(*c.def), before + (c.accepted ? 1 : 0));
    if (c.accepted) {
      EXPECT_EQ(messages.asked().size(), asked);
    } else {
      ASSERT_EQ(messages.asked().size(), asked + 1);
      EXPECT_EQ(messages.asked().back().caption, "Error de Rango");
      EXPECT_EQ(messages.asked().back().text, c.text);
    }
  }
  // A change through the relation object is validated the same way.
  USU().NivelAcceso = 12;
  EXPECT_EQ(relate(Usuarios::def()).update(), level::Fatal);
  EXPECT_EQ(messages.asked().back().caption, "Error de Rango");
}

TEST_F(TableManagersTest, ADuplicateKeyIsRefusedNamingTheFirstKeyItRepeats) {
  ScriptedMessages messages;
  TableAccess& planilla = access(Planilla::def());
  ASSERT_EQ(planilla.open(), level::Benign);
  addPlain(Planilla::def(), {{"CodPlanilla", 1}, {"Cod_Medico", 3}, {"FecVigenciaDesde", 100}});
  struct Case {
    int code, medico, desde;
    const char* key;
  };
  // The second repeats both sheet keys of the physician: the first declared is named.
  for (const Case& c : {Case{1, 4, 200, "CodPlanilla"}, Case{2, 3, 100, "CodPersona - Vigencia"}}) {
    planilla.primeRecord();
    setValue(Planilla::def(), "CodPlanilla", c.code);
    setValue(Planilla::def(), "Cod_Medico", c.medico);
    setValue(Planilla::def(), "FecVigenciaDesde", c.desde);
    EXPECT_EQ(planilla.insert(), level::Fatal);
    ASSERT_FALSE(messages.asked().empty());
    EXPECT_EQ(messages.asked().back().caption, "Error Clave Duplicada");
    EXPECT_EQ(
        messages.asked().back().text,
        std::string("Agregar este registro crea una clave duplicada para la clave: ") + c.key);
  }
  EXPECT_EQ(stored(Planilla::def()), 1);
}

// A parent, a child that refers to it and the fields that link them.
struct RestrictCase {
  const rt::TableDef& (*parent)();
  const char* parentField;
  const rt::TableDef& (*child)();
  const char* childField;
  const char* advice = "";  // what the refusal adds to the usual text
};

TEST_F(TableManagersTest, EveryRestrictRuleRefusesTheDeleteAndLeavesEveryTableAsItWas) {
  const RestrictCase cases[] = {
      {Ocupaciones::def, "Cod_Ocupacion", Pacientes::def, "Cod_Ocupacion"},
      {TiposConsultas::def, "Cod_TipoConsulta", Consultas::def, "Cod_TipoConsulta"},
      {Especialidades::def, "Cod_Especialidad", Medicos::def, "Cod_Especialidad"},
      {Turnos::def, "Cod_Turno", Consultas::def, "Cod_Turno"},
      {Medicos::def, "Cod_Medico", Planilla::def, "Cod_Medico"},
      {Medicos::def, "Cod_Medico", Turnos::def, "Cod_Medico"},
      {Medicos::def, "Cod_Medico", Consultas::def, "Cod_Medico"},
      {Medicos::def, "Cod_Medico", NotasMacros::def, "Cod_Medico"},
      {Usuarios::def, "Cod_Usuario", AgendaRecordatoria::def, "Cod_Usuario"},
      {Localidades::def, "Cod_Postal", Medicos::def, "Cod_Postal"},
      {Localidades::def, "Cod_Postal", Agenda::def, "Cod_Postal"},
      {Localidades::def, "Cod_Postal", Pacientes::def, "Cod_Postal"},
      {Localidades::def, "Cod_Provincia", Provincias::def, "Cod_Provincia"},
      {Coberturas_Medicas::def, "Cod_Cobertura", Turnos::def, "Cod_Cobertura"},
      {Coberturas_Medicas::def, "Cod_Cobertura", Pacientes::def, "Cod_Cobertura"},
      {RubrosAgenda::def, "Cod_RubroAgenda", Agenda::def, "Cod_RubroAgenda"},
      {Planilla::def, "CodPlanilla", PlanillaHorarios::def, "CodPlanilla"},
      {Pacientes::def, "Cod_Paciente", Turnos::def, "Cod_Paciente"},
      {Pacientes::def, "Cod_Paciente", Consultas::def, "Cod_Paciente"},
      {Pacientes::def, "Cod_Paciente", NotasMacros::def, "Cod_Paciente"},
      {Copia_TiposConsultas::def, "Cod_TipoConsulta", Copia_Consultas::def, "Cod_TipoConsulta"},
      {Copia_Medicos::def, "Cod_Medico", Copia_Consultas::def, "Cod_Medico"},
      {LogConsultas::def, "Cod_Usuario", Usuarios::def, "Cod_Usuario"},
      // The records those two relations name by their numbered codes.
      {Provincias::def, "Cod_Provincia", Localidades::def, "Cod_Provincia"},
      {Usuarios::def, "Cod_Usuario", LogConsultas::def, "Cod_Usuario",
       " Para que deje de usarse, márquelo como Inactivo."_cp},
  };
  for (const RestrictCase& c : cases) {
    const rt::TableDef& parent = c.parent();
    const rt::TableDef& child = c.child();
    SCOPED_TRACE(parent.label + " -> " + child.label);
    TableRelations& relations = relate(parent);
    ASSERT_EQ(relations.open(), level::Benign);
    ASSERT_TRUE(rt::table(child).isOpen());  // opened together with the parent
    addPlain(child, {{c.childField, 7}});
    addPlain(parent, {{c.parentField, 7}});
    const std::int64_t parents = stored(parent), children = stored(child);

    ScriptedMessages messages;
    EXPECT_EQ(relations.remove(false), level::Fatal);
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].caption, "Error de Integridad Referencial (Borrado)");
    EXPECT_EQ(messages.asked()[0].text, "Este registro esta siendo referenciado desde la tabla " +
                                            child.label +
                                            ". Este registro no puede ser eliminado mientras "
                                            "exista esta referencia." +
                                            c.advice);
    EXPECT_FALSE(rt::transactionIsOpen());
    EXPECT_EQ(stored(parent), parents);
    EXPECT_EQ(stored(child), children);

    // The rule walked the child's table without moving its record; without
    // the child the same delete goes through.
    ASSERT_EQ(rt::table(child).remove(), 0);
    EXPECT_EQ(relations.remove(false), level::Benign);
    EXPECT_EQ(stored(parent), parents - 1);
    relations.close();
  }
}

// Deleting a record that another table names by its numbered code would hand
// that code, and whatever names it, to the next record numbered.
TEST_F(TableManagersTest, ACodeStillNamedElsewhereIsNeverNumberedAgain) {
  TableRelations& usuarios = relate(Usuarios::def());
  ASSERT_EQ(usuarios.open(), level::Benign);
  TableAccess& a = usuarios.access();
  auto numberUser = [&] {
    a.primeRecord();
    EXPECT_EQ(a.insertNumbered(), level::Benign);
    return USU().Cod_Usuario;
  };
  for (int i = 0; i < 2; ++i) {
    numberUser();
    ASSERT_EQ(usuarios.insert(), level::Benign);
  }
  // The last user opened a consultation.
  addPlain(LogConsultas::def(), {{"Cod_LogConsulta", 1}, {"Cod_Consulta", 1}, {"Cod_Usuario", 2}});
  USU().Cod_Usuario = 2;
  ASSERT_EQ(a.fetchByKey(Usuarios::USU01), level::Benign);
  {
    ScriptedMessages messages;
    EXPECT_EQ(usuarios.remove(false), level::Fatal);
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_NE(messages.asked()[0].text.find("desde la tabla LogConsultas."), std::string::npos);
    EXPECT_NE(messages.asked()[0].text.find("como Inactivo."), std::string::npos);
  }
  EXPECT_EQ(stored(Usuarios::def()), 2);
  EXPECT_EQ(numberUser(), 3);  // not the code the log names
  EXPECT_EQ(usuarios.cancelNumbered(), level::Benign);

  // Lines left by a user deleted before name the code numbering gives next:
  // a new user abandoned at once still goes, and the lines stay.
  addPlain(LogConsultas::def(), {{"Cod_LogConsulta", 2}, {"Cod_Consulta", 1}, {"Cod_Usuario", 3}});
  ScriptedMessages messages;
  EXPECT_EQ(numberUser(), 3);
  EXPECT_EQ(usuarios.cancelNumbered(), level::Benign);
  EXPECT_TRUE(messages.asked().empty());
  EXPECT_EQ(stored(Usuarios::def()), 2);
  EXPECT_EQ(stored(LogConsultas::def()), 2);
  usuarios.close();
}

// A login names one user; twins stored before that was kept stay readable.
TEST_F(TableManagersTest, ALoginAnotherUserHasIsRefusedOnAddAndChange) {
  TableRelations& usuarios = relate(Usuarios::def());
  ASSERT_EQ(usuarios.open(), level::Benign);
  rt::Table& t = Usuarios::table();
  auto addLogin = [&](int code, const char* login) {
    t.clear();
    USU().Cod_Usuario = static_cast<std::uint16_t>(code);
    USU().Login_Usuario = login;
    ASSERT_EQ(t.add(), 0);
  };
  addLogin(1, "director");
  addLogin(2, "DIRECTOR");
  addLogin(3, "beto");
  struct Case {
    const char* login;
    bool accepted;
  };
  const Case cases[] = {{"director", false}, {"DiReCtOr   ", false},
                        {"Beto", false},     {"directora", true},
                        {"", true},          {"", true}};
  ScriptedMessages messages;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.login);
    const std::size_t asked = messages.asked().size();
    const std::int64_t before = stored(Usuarios::def());
    usuarios.access().primeRecord();
    USU().Login_Usuario = c.login;
    EXPECT_EQ(usuarios.insert(), c.accepted ? level::Benign : level::Fatal);
    EXPECT_EQ(stored(Usuarios::def()), before + (c.accepted ? 1 : 0));
    if (c.accepted) {
      EXPECT_EQ(messages.asked().size(), asked);
      continue;
    }
    ASSERT_EQ(messages.asked().size(), asked + 1);
    EXPECT_EQ(messages.asked().back().caption, "Error Clave Duplicada");
    EXPECT_EQ(
        messages.asked().back().text,
        "Login \"" + std::string(rt::clip(c.login)) +
            "\" ya corresponde a otro registro de la tabla Usuarios. Por favor, ingrese otro.");
  }

  // A change to another user's login is refused and stores nothing; a change
  // that keeps the user's own login goes.
  USU().Cod_Usuario = 3;
  ASSERT_EQ(usuarios.access().fetchByKey(Usuarios::USU01), level::Benign);
  USU().Login_Usuario = "Director";
  EXPECT_EQ(usuarios.update(), level::Fatal);
  EXPECT_NE(messages.asked().back().text.find("Login \"Director\""), std::string::npos);
  USU().Login_Usuario = "beto";
  USU().Nombre_Usuario = "Beto";
  EXPECT_EQ(usuarios.update(), level::Benign);

  // The stored twins: the login finds the first in the key's order.
  USU().Login_Usuario = "Director";
  ASSERT_EQ(usuarios.access().fetchByKey(Usuarios::USU03), level::Benign);
  EXPECT_EQ(USU().Cod_Usuario, 1);
  usuarios.close();
}

TEST_F(TableManagersTest, APatientsDeleteNamesTheFirstDeclaredTableThatStillRefersToIt) {
  TableRelations& pacientes = relate(Pacientes::def());
  ASSERT_EQ(pacientes.open(), level::Benign);
  addPlain(Consultas::def(), {{"Cod_Consulta", 1}, {"Cod_Paciente", 4}});
  addPlain(Turnos::def(), {{"Cod_Turno", 1}, {"Cod_Paciente", 4}});
  addPlain(Pacientes::def(), {{"Cod_Paciente", 4}});
  ScriptedMessages messages;
  EXPECT_EQ(pacientes.remove(false), level::Fatal);
  ASSERT_TRUE(rt::table(Turnos::def()).remove() == 0);
  EXPECT_EQ(pacientes.remove(false), level::Fatal);
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_NE(messages.asked()[0].text.find("desde la tabla Turnos."), std::string::npos);
  EXPECT_NE(messages.asked()[1].text.find("desde la tabla Consultas."), std::string::npos);
  EXPECT_EQ(stored(Pacientes::def()), 1);
  pacientes.close();
}

TEST_F(TableManagersTest, DeletingAConsultationTakesItsAttachmentsInOneTransaction) {
  TableRelations& consultas = relate(Consultas::def());
  ASSERT_EQ(consultas.open(), level::Benign);
  addPlain(Consultas::def(), {{"Cod_Consulta", 2}, {"Cod_Paciente", 3}});
  addPlain(Adjuntos::def(), {{"CodAdjunto", 9}, {"Cod_Consulta", 2}});
  addPlain(LogConsultas::def(), {{"Cod_LogConsulta", 1}, {"Cod_Consulta", 1}});
  addPlain(Consultas::def(), {{"Cod_Consulta", 1}, {"Cod_Paciente", 3}});
  for (int code : {1, 2, 3}) addPlain(Adjuntos::def(), {{"CodAdjunto", code}, {"Cod_Consulta", 1}});
  ADJ().CodAdjunto = 2;
  ASSERT_EQ(access(Adjuntos::def()).fetchByKey(Adjuntos::ADJ01), level::Benign);

  // One attachment cannot be deleted: nothing is, the consultation included.
  // The plain data file refuses a write, as a failing disk would.
  auto other = otherWorkstation();
  ASSERT_TRUE(other->refuse("DELETE", "ADJUNTOS", "old.CodAdjunto = 3")) << other->error();
  {
    ScriptedMessages messages({rt::button::Ok, rt::button::No});
    EXPECT_EQ(consultas.remove(false), level::Fatal);
    ASSERT_EQ(messages.asked().size(), 2u);
    EXPECT_EQ(messages.asked()[0].caption, "Registro no fue Borrado");
    EXPECT_NE(messages.asked()[0].text.find("del Archivo Adjuntos ."), std::string::npos);
    EXPECT_EQ(messages.asked()[1].caption, "Error en Borrar Registro");
    EXPECT_EQ(stored(Consultas::def()), 2);
    EXPECT_EQ(stored(Adjuntos::def()), 4);
  }
  ASSERT_TRUE(other->allow("DELETE")) << other->error();
  other.reset();

  ScriptedMessages messages({rt::button::Yes});
  EXPECT_EQ(consultas.remove(true), level::Benign);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "Confirmar Borrado");
  EXPECT_EQ(stored(Consultas::def()), 1);
  EXPECT_EQ(stored(Adjuntos::def()), 1);      // the other consultation's attachment
  EXPECT_EQ(stored(LogConsultas::def()), 1);  // the access log keeps its records
  EXPECT_EQ(ADJ().CodAdjunto, 2u);            // a window on the attachments keeps its record
  consultas.close();
}

TEST_F(TableManagersTest, ChangingACodeCarriesItToThePatientsOnlyAndAFailureUndoesEverything) {
  TableRelations& localidades = relate(Localidades::def());
  TableRelations& coberturas = relate(Coberturas_Medicas::def());
  ASSERT_EQ(localidades.open(), level::Benign);
  ASSERT_EQ(coberturas.open(), level::Benign);
  addPlain(Provincias::def(), {{"Cod_Provincia", 4}});
  addPlain(Pacientes::def(), {{"Cod_Paciente", 1}, {"Cod_Postal", 1000}, {"Cod_Cobertura", 8}});
  addPlain(Pacientes::def(), {{"Cod_Paciente", 2}, {"Cod_Postal", 1000}, {"Cod_Cobertura", 8}});
  addPlain(Medicos::def(), {{"Cod_Medico", 1}, {"Cod_Postal", 1000}});
  addPlain(Turnos::def(), {{"Cod_Turno", 1}, {"Cod_Cobertura", 8}});
  addPlain(Coberturas_Medicas::def(), {{"Cod_Cobertura", 8}});
  addPlain(Localidades::def(), {{"Cod_Postal", 1000}, {"Cod_Provincia", 4}});

  auto patientsWith = [](const char* field, int value) {
    int n = 0;
    for (int code : {1, 2}) {
      PAC().Cod_Paciente = code;
      if (rt::table(Pacientes::def()).fetch(Pacientes::PAS_001) == 0 &&
          valueOf(Pacientes::def(), field) == value) {
        ++n;
      }
    }
    return n;
  };

  // A patient that cannot be written rolls the locality back with the other patient.
  auto other = otherWorkstation();
  ASSERT_TRUE(other->refuse("UPDATE", "PACIENTE", "old.Cod_Paciente = 2")) << other->error();
  {
    ScriptedMessages messages({rt::button::Cancel});
    LOC().Cod_Postal = 2000;
    EXPECT_EQ(localidades.update(), level::Fatal);
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].caption, "Registro no fue Actualizado");
    EXPECT_NE(messages.asked()[0].text.find("to the Pacientes file."), std::string::npos);
  }
  EXPECT_EQ(patientsWith("Cod_Postal", 1000), 2);
  LOC().Cod_Postal = 1000;
  EXPECT_EQ(rt::table(Localidades::def()).fetch(Localidades::LOC01), 0);
  ASSERT_TRUE(other->allow("UPDATE")) << other->error();
  other.reset();

  ScriptedMessages messages;
  LOC().Cod_Postal = 2000;
  LOC().Cod_Provincia = "5";  // a province does not change through a locality
  ASSERT_EQ(localidades.update(), level::Benign);
  EXPECT_EQ(patientsWith("Cod_Postal", 2000), 2);
  MDC().Cod_Medico = 1;
  ASSERT_EQ(rt::table(Medicos::def()).fetch(Medicos::MDC01), 0);
  EXPECT_EQ(MDC().Cod_Postal, 1000u);
  PRV().Cod_Provincia = 4;
  EXPECT_EQ(rt::table(Provincias::def()).fetch(Provincias::PRV01), 0);

  COB().Cod_Cobertura = 8;
  ASSERT_EQ(rt::table(Coberturas_Medicas::def()).fetch(Coberturas_Medicas::COB_001), 0);
  COB().Cod_Cobertura = 9;
  ASSERT_EQ(coberturas.update(), level::Benign);
  EXPECT_EQ(patientsWith("Cod_Cobertura", 9), 2);
  TUR().Cod_Turno = 1;
  ASSERT_EQ(rt::table(Turnos::def()).fetch(Turnos::TUR01), 0);
  EXPECT_EQ(TUR().Cod_Cobertura, 8);
  EXPECT_TRUE(messages.asked().empty());
  localidades.close();
  coberturas.close();
}

void addPatient(int code, const char* nombre) {
  PAC().Cod_Paciente = code;
  PAC().Nombre = nombre;
  ASSERT_EQ(access(Pacientes::def()).insert(), level::Benign);
}

TEST_F(TableManagersTest, AWriteOverARecordAnotherThreadChangedIsRefusedAndTheStoredOneShown) {
  TableRelations& pacientes = relate(Pacientes::def());
  ASSERT_EQ(pacientes.open(), level::Benign);
  addPatient(1, "Original");
  PAC().Nombre = "Cambio propio";

  ASSERT_TRUE(rt::testing::runOnThread([] {
    TableManagersInit();
    TableRelations& own = relate(Pacientes::def());
    ASSERT_EQ(own.open(), level::Benign);
    PAC().Cod_Paciente = 1;
    ASSERT_EQ(own.access().fetchByKey(Pacientes::PAS_001), level::Benign);
    PAC().Nombre = "Otro hilo";
    EXPECT_EQ(own.update(), level::Benign);
    own.close();
    TableManagersKill();
  }));

  ScriptedMessages messages;
  EXPECT_EQ(pacientes.update(), level::Fatal);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "Registro no Actualizado");
  EXPECT_EQ(messages.asked()[0].text,
            "Este registro fue modificado por otra estación. Los cambios serán mostrados "
            "ahora. Use el botón Ditto or Ctrl+' para restaurar sus cambios."_cp);
  EXPECT_EQ(PAC().Nombre.clipped(), "Otro hilo");
  EXPECT_FALSE(rt::transactionIsOpen());
  // What is shown now can be changed.
  PAC().Nombre = "Cambio propio";
  EXPECT_EQ(pacientes.update(), level::Benign);
  pacientes.close();
}

TEST_F(TableManagersTest, AWriteOverARecordAnotherProcessChangedIsRefusedAndNothingIsWritten) {
  TableRelations& pacientes = relate(Pacientes::def());
  ASSERT_EQ(pacientes.open(), level::Benign);
  addPatient(1, "Original");
  PAC().Nombre = "Propio";

  const std::string file = (folder_ / "Varneta.dat").string();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Another workstation: a process of its own with its own connection.
    bool changed = false;
    {
      rt::testing::OtherWorkstation other(file);
      changed = other.change("PACIENTE", "Direccion = 'Otra'", "Cod_Paciente = 1");
      if (!changed) fprintf(stderr, "child: %s\n", other.error().c_str());
    }
    _exit(changed ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  ScriptedMessages messages;
  EXPECT_EQ(pacientes.update(false), level::Fatal);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "Registro no fue Actualizado");
  EXPECT_EQ(messages.asked()[0].text,
            "El registro puede haber sido fue modificado por otra estación."_cp);
  // The stored record is shown again: the other process's change, not ours.
  EXPECT_EQ(PAC().Direccion.clipped(), "Otra");
  EXPECT_EQ(PAC().Nombre.clipped(), "Original");
  PAC().Nombre = "";
  ASSERT_EQ(pacientes.access().fetchByKey(Pacientes::PAS_001), level::Benign);
  EXPECT_EQ(PAC().Nombre.clipped(), "Original");
  pacientes.close();
}

TEST_F(TableManagersTest, AFailedChangeAsksAfterRollingBackAndARetryRunsInANewTransaction) {
  TableRelations& pacientes = relate(Pacientes::def());
  ASSERT_EQ(pacientes.open(), level::Benign);
  addPatient(1, "Original");
  auto other = otherWorkstation();
  ASSERT_TRUE(other->refuse("UPDATE", "PACIENTE")) << other->error();
  std::vector<std::pair<std::string, bool>> asked;
  rt::MessageHandler previous = rt::setMessageHandler([&](const rt::MessageRequest& r) {
    asked.emplace_back(r.caption, rt::transactionIsOpen());
    // The cause goes away while the user reads.
    other->allow("UPDATE");
    return rt::button::Retry;
  });
  PAC().Nombre = "Nuevo";
  EXPECT_EQ(pacientes.update(), level::Benign);
  rt::setMessageHandler(std::move(previous));
  other.reset();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].first, "Registro no fue Actualizado");
  EXPECT_FALSE(asked[0].second);
  PAC().Nombre = "";
  ASSERT_EQ(pacientes.access().fetchByKey(Pacientes::PAS_001), level::Benign);
  EXPECT_EQ(PAC().Nombre.clipped(), "Nuevo");
  pacientes.close();
}

// Timers a test fires by hand, recording whether a transaction was open
// while the thread waited.
class ManualTimers {
 public:
  ManualTimers() {
    previous_ = rt::setTimerHook([this](int ms, std::function<void()> fire) {
      waits.push_back(ms);
      openWhileWaiting = openWhileWaiting || rt::transactionIsOpen();
      pending_.push_back(std::move(fire));
    });
  }
  ~ManualTimers() { rt::setTimerHook(std::move(previous_)); }
  // Fires what is due; `onFire` runs before each with the number of waits so far.
  void fire(const std::function<void(int)>& onFire) {
    while (!pending_.empty()) {
      auto f = std::move(pending_.front());
      pending_.erase(pending_.begin());
      onFire(static_cast<int>(waits.size()));
      f();
    }
  }
  std::vector<int> waits;
  bool openWhileWaiting = false;

 private:
  std::vector<std::function<void()>> pending_;
  rt::TimerHook previous_;
};

// What a logical thread went through while another workstation held the
// write lock of the plain data file.
struct LockedRun {
  int result = -1;
  std::vector<int> waits;
  bool openWhileWaiting = false;
  std::vector<std::pair<rt::MessageRequest, bool>> shown;  // and whether a transaction was open
};

// Runs `body` on a logical thread with its own managers while `other` holds
// the write lock, released after `releaseAfter` waits (0 = never).
LockedRun runWhileLocked(rt::testing::OtherWorkstation& other, int releaseAfter,
                         const std::function<int()>& body) {
  LockedRun run;
  EXPECT_TRUE(other.holdWriteLock()) << other.error();
  bool released = false, ended = false;
  ManualTimers timers;
  rt::MessageHandler previous = rt::setMessageHandler([&](const rt::MessageRequest& r) {
    run.shown.emplace_back(r, rt::transactionIsOpen());
    return rt::defaultAnswer(r);
  });
  rt::start([&] {
    TableManagersInit();
    run.result = body();
    TableManagersKill();
    ended = true;
  });
  EXPECT_TRUE(rt::testing::waitUntil(
      [&] {
        timers.fire([&](int waits) {
          if (waits == releaseAfter && !released) {
            other.release();
            released = true;
          }
        });
        return ended;
      },
      "the thread to end"));
  rt::setMessageHandler(std::move(previous));
  if (!released) other.release();
  for (int ms : timers.waits) EXPECT_EQ(ms, kLockRetryStepMs);
  run.waits = timers.waits;
  run.openWhileWaiting = timers.openWhileWaiting;
  return run;
}

TEST_F(TableManagersTest, AChangeWaitsOnATimerWhileAnotherWorkstationHoldsTheLock) {
  ASSERT_EQ(access(Pacientes::def()).open(), level::Benign);
  addPatient(1, "Original");
  access(Pacientes::def()).close();
  auto change = [] {
    TableRelations& own = relate(Pacientes::def());
    if (own.open() != level::Benign) return -1;
    PAC().Cod_Paciente = 1;
    own.access().fetchByKey(Pacientes::PAS_001);
    PAC().Nombre = "Esperado";
    const int result = own.update();
    own.close();
    return result;
  };
  auto other = otherWorkstation();
  const LockedRun released = runWhileLocked(*other, 3, change);
  EXPECT_EQ(released.result, level::Benign);
  EXPECT_EQ(released.waits.size(), 3u);
  EXPECT_FALSE(released.openWhileWaiting);
  EXPECT_TRUE(released.shown.empty());

  // Two seconds of waits to start the transaction, then the message.
  const LockedRun held = runWhileLocked(*other, 0, change);
  other.reset();
  EXPECT_EQ(held.result, level::Fatal);
  EXPECT_EQ(held.waits.size(), 20u);
  EXPECT_FALSE(held.openWhileWaiting);
  ASSERT_EQ(held.shown.size(), 1u);
  EXPECT_EQ(held.shown[0].first.caption, "Transacción Cancelada"_cp);
  EXPECT_TRUE(held.shown[0].first.text.starts_with("Error: ("));
  EXPECT_TRUE(held.shown[0].first.text.ends_with(
      ") al intentar enmarcar una transacción sobre tabla Pacientes."_cp));
  EXPECT_FALSE(held.shown[0].second);  // never while a transaction is open
}

TEST_F(TableManagersTest, OpeningAndNumberingWaitForAnotherWorkstationsLock) {
  auto other = otherWorkstation();
  // Creating the table needs the write lock.
  const LockedRun opened = runWhileLocked(*other, 4, [] {
    const int result = access(Feriados::def()).open();
    access(Feriados::def()).close();
    return result;
  });
  EXPECT_EQ(opened.result, level::Benign);
  EXPECT_EQ(opened.waits.size(), 4u);

  ASSERT_EQ(access(Feriados::def()).open(), level::Benign);
  addPlain(Feriados::def(), {{"Cod_Feriado", 4}});
  access(Feriados::def()).close();
  const LockedRun numbered = runWhileLocked(*other, 2, [] {
    TableAccess& feriados = access(Feriados::def());
    if (feriados.open() != level::Benign) return -1;
    feriados.primeRecord();
    int result = feriados.insertNumbered();
    if (FER().Cod_Feriado != 5) result = -2;
    feriados.close();
    return result;
  });
  other.reset();
  EXPECT_EQ(numbered.result, level::Benign);
  EXPECT_EQ(numbered.waits.size(), 2u);
  EXPECT_TRUE(numbered.shown.empty());
  EXPECT_FALSE(numbered.openWhileWaiting);
}

TEST_F(TableManagersTest, OpeningThroughRelationsOpensEachRelatedTableOnceAndClosingReleasesThem) {
  TableRelations& consultas = relate(Consultas::def());
  ASSERT_EQ(consultas.open(), level::Benign);
  ASSERT_EQ(consultas.open(), level::Benign);
  const std::vector<const rt::TableDef*> related = {
      &Turnos::def(),       &Medicos::def(),          &Copia_Consultas::def(),
      &Adjuntos::def(),     &Pacientes::def(),        &TiposConsultas::def(),
      &LogConsultas::def(), &Usuarios::def(),         &AgendaRecordatoria::def(),
      &Planilla::def(),     &PlanillaHorarios::def(), &Especialidades::def(),
      &Localidades::def(),  &Agenda::def(),           &RubrosAgenda::def(),
      &Provincias::def(),   &NotasMacros::def(),      &Coberturas_Medicas::def(),
      &Ocupaciones::def(),  &Copia_Medicos::def(),    &Copia_TiposConsultas::def()};
  const std::vector<const rt::TableDef*> unrelated = {
      &Feriados::def(), &Temas::def(),        &Notas::def(),          &Macros::def(),
      &KovSaveC::def(), &Copia_Turnos::def(), &Copia_Planillas::def()};
  for (const rt::TableDef* def : related) EXPECT_TRUE(rt::table(*def).isOpen()) << def->label;
  for (const rt::TableDef* def : unrelated) EXPECT_FALSE(rt::table(*def).isOpen()) << def->label;
  consultas.close();
  for (const rt::TableDef* def : related) EXPECT_TRUE(rt::table(*def).isOpen()) << def->label;
  consultas.close();
  for (const rt::TableDef* def : related) EXPECT_FALSE(rt::table(*def).isOpen()) << def->label;

  // Used before it was opened.
  ScriptedMessages messages;
  EXPECT_EQ(access(Feriados::def()).fetchByKey(Feriados::FER01), level::Fatal);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "Error de Uso");
  EXPECT_EQ(messages.asked()[0].text,
            "Se ha intentado utilizar la tabla (Feriados) antes de estar ABIERTA");
}

TEST_F(TableManagersTest, EachLogicalThreadHasItsOwnManagersBetweenInitAndKill) {
  registerTableManagers();
  TableAccess* mine = accessOf(Pacientes::def());
  ASSERT_NE(mine, nullptr);
  ASSERT_TRUE(rt::testing::runOnThread([mine] {
    EXPECT_EQ(accessOf(Pacientes::def()), nullptr);
    rt::callProcedure("TableManagersInit", {std::to_string(rt::currentThreadNumber())});
    TableAccess* own = accessOf(Pacientes::def());
    EXPECT_NE(own, nullptr);
    EXPECT_NE(own, mine);
    EXPECT_EQ(&relate(Copia_Consultas::def()).alias()->access(), &access(Consultas::def()));
    EXPECT_EQ(access(Copia_Turnos::def()).alias(), &access(Turnos::def()));
    rt::callProcedure("TableManagersKill", {std::to_string(rt::currentThreadNumber())});
    EXPECT_EQ(accessOf(Pacientes::def()), nullptr);
    EXPECT_EQ(relationsOf(Pacientes::def()), nullptr);
  }));
  EXPECT_EQ(accessOf(Pacientes::def()), mine);
}

// A table its file lacks is created by the open: a creation that fails
// says so, not that the file could not be opened.
TEST_F(TableManagersTest, AFailedCreationSaysSo) {
  const rt::TableDef& def = Provincias::def();
  ASSERT_EQ(rt::sql::Connection::get().exec(
                "CREATE VIEW main." + rt::sql::quoteName(def.storageName) + " AS SELECT 1 AS x"),
            SQLITE_OK);
  ScriptedMessages messages({rt::button::Ok});
  EXPECT_NE(access(def).open(), level::Benign);
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "Error en creación de Tabla"_cp);
  EXPECT_EQ(messages.asked()[0].text.rfind("Error: (", 0), 0u) << messages.asked()[0].text;
  EXPECT_NE(messages.asked()[0].text.find(") creando Provincias."), std::string::npos)
      << messages.asked()[0].text;
}

TEST(TableMessages, TextsReadAsTheSystemShowsThem) {
  const MessageFill fill = MessageFill()
                               .File("Turnos")
                               .ErrorText("Archivo bloqueado (32)")
                               .Message("Codigo")
                               .Field("Campo");
  struct Case {
    TableMessage message;
    const char* title;
    const char* text;
  };
  const Case cases[] = {
      {TableMessage::AccessFailed, "Error de Acceso",
       "Archivo (Turnos) no pudo ser abierto.  Error: Archivo bloqueado (32)."},
      {TableMessage::DuplicateKey, "Error Clave Duplicada",
       "Agregar este registro crea una clave duplicada para la clave: Codigo"},
      {TableMessage::NumberingFailed, "Error AutoNumeración"_cp,
       "Los intentos para numerar automaticamente han fallado. Error: Archivo bloqueado (32). "
       "¿ Intentar nuevamente?"_cp},
      {TableMessage::AddFailed, "Error en Agregar",
       "Un error fue experimentado durante la creación del registro. Error: Archivo bloqueado "
       "(32)."_cp},
      {TableMessage::UpdateFailed, "Registro no fue Actualizado",
       "Un error (Archivo bloqueado (32)) fue experimentado al realizar cambioses to the Turnos "
       "file."},
      {TableMessage::ConfirmDelete, "Confirmar Borrado",
       "¿ Está seguro que desea eliminar el registro seleccionado?"_cp},
      {TableMessage::DeleteFailed, "Registro no fue Borrado",
       "Un error (Archivo bloqueado (32)) fue experimentado al borrar del Archivo Turnos ."},
      {TableMessage::DeleteRetry, "Error en Borrar Registro",
       "Un error fue experimentado al borrar el registro. ¿Desea intentar borrar nuevamente?"_cp},
      {TableMessage::RecordNotRead, "Registro NO leido",
       "Un registro bloqueado por otra terminal fue encontrado al leer de tabla Turnos ."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tableMessageTitle(c.message), c.title);
    EXPECT_EQ(tableMessageText(c.message, fill), c.text);
  }
  EXPECT_TRUE(asksToRetry(TableMessage::NumberingFailed, rt::button::Yes));
  EXPECT_FALSE(asksToRetry(TableMessage::DeleteRetry, rt::button::No));
  EXPECT_TRUE(asksToRetry(TableMessage::UpdateFailed, rt::button::Retry));
}

}  // namespace
}  // namespace core
