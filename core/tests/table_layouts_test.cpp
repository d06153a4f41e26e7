// Every table's record layout, keys, memos and file, as the program's
// records have always been laid out.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_registration.h"

namespace core {
namespace {

struct Layout {
  const rt::TableDef* def;
  int recordSize;
  std::size_t keys;
  std::size_t memos;
  const rt::DataFile* file;
  const char* offsets;  // "Field=offset ..." in field order
};

const Layout kLayouts[] = {
    {&Pacientes::def(), 591, 6, 3, &mainDataFile(),
     "Cod_Paciente=0 Nombre=2 TipoDoc=92 NroDoc=112 Fecha_Nacim=116 Direccion=120 Cod_Postal=210 "
     "Telefono=214 Telefono2=304 Telefono3=324 Email=344 Cod_Cobertura=434 Grupo_San=436 "
     "Fecha_Consulta=440 Motivo_Consulta=444 Inactivo=534 NroCarnetObraSocial=535 "
     "Fecha_Primer_Consulta=565 Cod_Ocupacion=569 AuxImportacion=571"},
    {&Consultas::def(), 138, 7, 1, &mainDataFile(),
     "Cod_Consulta=0 Cod_Paciente=4 Cod_Medico=6 Cod_Turno=8 Fecha=12 Motivo=16 "
     "Cod_TipoConsulta=136"},
    {&Adjuntos::def(), 383, 3, 1, &mainDataFile(),
     "CodAdjunto=0 Cod_Consulta=4 Archivo_Adjunto=8 Comentario=263"},
    {&LogConsultas::def(), 19, 4, 0, &clinicalDataFile(),
     "Cod_LogConsulta=0 Cod_Consulta=4 Cod_Usuario=8 Fecha=10 Hora=14 Operacion=18"},
    {&Medicos::def(), 329, 4, 1, &mainDataFile(),
     "Cod_Medico=0 Nombre=2 Domicilio=82 Cod_Postal=162 Telefono_1=166 Telefono_2=186 "
     "Telefono_3=206 Matricula=226 Email=246 Cod_Especialidad=326 Inactivo=328"},
    {&Planilla::def(), 64, 4, 0, &clinicalDataFile(),
     "CodPlanilla=0 DscPlanilla=4 Cod_Medico=44 FecVigenciaDesde=46 FecVigenciaHasta=50 "
     "DurConsulta=54 DurSobreturno=58 PorHorario=62 Generada=63"},
    {&PlanillaHorarios::def(), 48, 3, 0, &clinicalDataFile(),
     "CodInterno=0 CodPlanilla=4 DiaSemanaNro=8 DiaSemanaDsc=10 HrEntrada1=20 HrSalida1=24 "
     "HrEntrada2=28 HrSalida2=32 HrEntrada3=36 HrSalida3=40 HorasTrabajo=44"},
    {&Turnos::def(), 304, 9, 1, &mainDataFile(),
     "Cod_Turno=0 Cod_Medico=4 Cod_Paciente=6 Cod_Consulta=10 Fecha=14 Hora=18 Duracion=22 "
     "Nro_Orden=26 Cod_Cobertura=27 NoDisponible=29 Confirmado=30 Motivo=31 Nro_Absoluto=111 "
     "Tipo=115 Nombre=118 Telefono=208 Nro_Orden_Atencion=298 Coseguro=299"},
    {&Feriados::def(), 86, 3, 0, &mainDataFile(), "Cod_Feriado=0 Fecha=2 Descripcion=6"},
    {&Ocupaciones::def(), 63, 2, 1, &mainDataFile(), "Cod_Ocupacion=0 Descripcion=2 Inactivo=62"},
    {&TiposConsultas::def(), 56, 2, 0, &mainDataFile(),
     "Cod_TipoConsulta=0 Descripcion=2 Color=52"},
    {&Especialidades::def(), 43, 2, 1, &mainDataFile(),
     "Cod_Especialidad=0 Descripcion=2 Inactiva=42"},
    {&Provincias::def(), 32, 2, 0, &mainDataFile(), "Cod_Provincia=0 Provincia=2"},
    {&Localidades::def(), 56, 3, 0, &mainDataFile(),
     "Cod_Postal=0 NombreLocalidad=4 Cod_Provincia=54"},
    {&Coberturas_Medicas::def(), 93, 2, 1, &mainDataFile(),
     "Cod_Cobertura=0 Descripcion=2 Inactivo=92"},
    {&Agenda::def(), 269, 4, 1, &agendaDataFile(),
     "Cod_Agenda=0 Nombre=2 Domicilio=42 Cod_Postal=82 Telefono1=86 Telefono2=106 Telefono3=126 "
     "NombreContacto=146 Email=206 Inactivo=266 Cod_RubroAgenda=267"},
    {&RubrosAgenda::def(), 62, 2, 1, &agendaDataFile(), "Cod_RubroAgenda=0 Descripcion=2"},
    {&AgendaRecordatoria::def(), 75, 5, 1, &agendaDataFile(),
     "Asunto=0 CodigoInterno=60 Prioridad=62 Completa=63 Fecha=64 Hora=68 Alarma=72 "
     "Cod_Usuario=73"},
    {&Temas::def(), 388, 3, 1, &mainDataFile(),
     "NroInternoTema=0 Fecha=4 Archivo_Adjunto=8 Inactivo=263 Hora=264 Asunto=268"},
    {&Notas::def(), 317, 2, 1, &mainDataFile(), "Descripcion=0 CodigoInterno=60 ArchivoAdjunto=62"},
    {&Macros::def(), 359, 4, 0, &mainDataFile(),
     "Cod_Macro=0 Interna=2 Descripcion=3 Identificador=83 Valor=103 ConservarValor=358"},
    {&NotasMacros::def(), 10127, 4, 0, &mainDataFile(),
     "Cod_NotaMacro=0 Descripcion=2 Texto=122 Cod_Paciente=10122 Cod_Medico=10124 Inactivo=10126"},
    // The password field holds its digest (password_digest.h), not the text.
    {&Usuarios::def(), 184, 3, 1, &mainDataFile(),
     "Cod_Usuario=0 Nombre_Usuario=2 Login_Usuario=62 Password_Usuario=82 NivelAcceso=182 "
     "Inactivo=183"},
    {&KovSaveC::def(), 154, 2, 0, &mainDataFile(), "ID=0 EPROCEDURE=4 EAPLICATION=54 ENAME=104"},
    {&KovSaveD::def(), 65, 2, 0, &mainDataFile(),
     "ID=0 ITEM=4 FIELDNAME=6 FIELDORDER=56 FIELDORDERNRO=57 FIELDTOTALING=59 FIELDID=61"},
};

TEST(TableLayouts, FieldsSitAtTheirOffsetsAndRecordsHaveTheirSizes) {
  for (const Layout& l : kLayouts) {
    SCOPED_TRACE(l.def->label);
    EXPECT_EQ(l.def->recordSize, l.recordSize);
    EXPECT_EQ(l.def->keys.size(), l.keys);
    EXPECT_EQ(l.def->memos.size(), l.memos);
    EXPECT_EQ(l.def->file, l.file);
    std::istringstream in(l.offsets);
    std::string item;
    std::size_t count = 0;
    while (in >> item) {
      const auto eq = item.find('=');
      const int f = l.def->fieldIndex(item.substr(0, eq));
      ASSERT_EQ(f, static_cast<int>(count)) << item;
      EXPECT_EQ(l.def->fields[f].offset, std::stoi(item.substr(eq + 1))) << item;
      ++count;
    }
    EXPECT_EQ(count, l.def->fields.size());
    const int last = static_cast<int>(count) - 1;
    EXPECT_EQ(l.def->fields[last].offset + l.def->fields[last].size, l.recordSize);
  }
}

TEST(TableLayouts, SecondCursorsShareTheirTablesStorage) {
  const struct {
    const rt::TableDef* copy;
    const rt::TableDef* base;
    const char* prefix;
  } kCopies[] = {{&Copia_Turnos::def(), &Turnos::def(), "C_TUR"},
                 {&Copia_Consultas::def(), &Consultas::def(), "C_CON"},
                 {&Copia_Medicos::def(), &Medicos::def(), "C_MDC"},
                 {&Copia_Planillas::def(), &Planilla::def(), "C_PLA"},
                 {&Copia_TiposConsultas::def(), &TiposConsultas::def(), "C_TIC"}};
  for (const auto& c : kCopies) {
    SCOPED_TRACE(c.copy->label);
    EXPECT_EQ(&c.copy->storage(), c.base);
    EXPECT_EQ(c.copy->prefix, c.prefix);
    EXPECT_EQ(c.copy->diskName(), c.base->diskName());
    EXPECT_EQ(c.copy->version, c.base->version);
    EXPECT_EQ(c.copy->recordSize, c.base->recordSize);
    EXPECT_EQ(c.copy->keys.size(), c.base->keys.size());
    EXPECT_EQ(c.copy->memos.size(), c.base->memos.size());
  }
  EXPECT_EQ(Copia_Consultas::def().keyIndex("C_CON:CON08"), Copia_Consultas::CON08);
  EXPECT_EQ(registeredTables().size(), 30u);
}

TEST(TableLayouts, KeysKeepTheirComponentsKindsAndNumbering) {
  const rt::KeyDef& vista = LogConsultas::def().keys[LogConsultas::LCN04];
  ASSERT_EQ(vista.components.size(), 3u);
  EXPECT_FALSE(vista.components[0].descending);
  EXPECT_TRUE(vista.components[1].descending);
  EXPECT_TRUE(vista.components[2].descending);
  const rt::KeyDef& items = KovSaveD::def().keys[KovSaveD::KOVD_PORID];
  EXPECT_EQ(items.autoNumbered, 2);
  EXPECT_EQ(AgendaRecordatoria::def().keys[AgendaRecordatoria::AGG00].kind, rt::KeyKind::Primary);
  EXPECT_EQ(AgendaRecordatoria::AGG00, 1);
  const rt::KeyDef& ocupacion = Pacientes::def().keys[Pacientes::PAS_005];
  EXPECT_FALSE(ocupacion.caseInsensitive);
  EXPECT_FALSE(ocupacion.skipEmpty);
  EXPECT_TRUE(Pacientes::def().keys[Pacientes::PAS_002].caseInsensitive);
  EXPECT_EQ(Turnos::def().fields[Turnos::def().fieldIndex("TUR:Cod_Cobertura")].column,
            "CodObrSoc");
  EXPECT_EQ(Temas::def().keys[Temas::TEM_001].autoNumbered, 1);
  EXPECT_EQ(Localidades::def().keys[Localidades::LOC01].autoNumbered, 0);
  EXPECT_EQ(Notas::def().memos[0].name, "Nota");
  EXPECT_EQ(Notas::def().memos[0].maxLength, 10000);
}

}  // namespace
}  // namespace core
