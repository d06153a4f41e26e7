// The table managers at work: numbering, primed records, defaults and
// ranges, duplicate keys, the integrity rules inside one transaction, the
// refusal of a write over a record changed elsewhere (another logical thread,
// another process), and waiting for another workstation's lock.
#include "core/table_managers.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/catalog_tables.h"
#include "core/clinical_tables.h"
#include "core/data_files.h"
#include "platform/base/message_hook.h"
#include "platform/base/runtime_errors.h"
#include "platform/base/thread_timer.h"
#include "platform/data/database.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/testing/window_test_kit.h"

namespace core {
namespace {

using rt::testing::ScriptedMessages;

class TableManagersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int n = 0;
    folder_ = std::filesystem::current_path() / ("managers" + std::to_string(++n));
    std::filesystem::create_directories(folder_);
    ASSERT_EQ(openPracticeDatabase(folder_), 0);
    TableManagersInit();
  }
  void TearDown() override {
    TableManagersKill();
    rt::closeDatabase();
  }

  // A second workstation: its own connection to the plain data file.
  sqlite3* otherWorkstation() {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open((folder_ / "Varneta.dat").c_str(), &db), SQLITE_OK);
    return db;
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
                                            "exista esta referencia.");
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

}  // namespace
}  // namespace core
