#include "core/tables/catalog_tables.h"

#include <optional>
#include <stdexcept>
#include <string>

#include "core/tables/data_files.h"
#include "core/tables/password_digest.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"

namespace core {
namespace {

// A password an earlier version stored as typed (UTF-8 in the file), as its
// digest; a digest stays as it is.
std::optional<std::string> digestOfStoredPassword(std::string_view stored) {
  if (isPasswordDigest(stored)) return std::string(stored);
  return passwordDigest(rt::utf8ToCp1252(stored));
}

}  // namespace

VARNETA_DEFINE_TABLE(Feriados, FER, VARNETA_FERIADOS, "Feriados", "Feriados", mainDataFile(), 0, 86,
                     "Feriados (para la asignación de Turnos)"_cp, VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(Ocupaciones, OCU, VARNETA_OCUPACIONES, "Ocupaciones", "Ocupaciones",
                     mainDataFile(), 0, 63, "Ocupaciones de los pacientes", VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(TiposConsultas, TIC, VARNETA_TIPOS_CONSULTAS, "TiposConsultas", "TipoCons",
                     mainDataFile(), 2, 56, "Tipos de Consultas", VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(Especialidades, ESP, VARNETA_ESPECIALIDADES, "Especialidades", "ESPECIAL",
                     mainDataFile(), 1, 43, "Base de Especialidades Médicas"_cp,
                     VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(Provincias, PRV, VARNETA_PROVINCIAS, "Provincias", "Provin", mainDataFile(), 1,
                     32, "Base de Provincias", VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(Localidades, LOC, VARNETA_LOCALIDADES, "Localidades", "Locali", mainDataFile(),
                     2, 56, "", VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(Coberturas_Medicas, COB, VARNETA_COBERTURAS_MEDICAS, "Coberturas_Medicas",
                     "COBERTUR", mainDataFile(), 0, 93, "Base de Coberturas Médicas"_cp,
                     VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(Agenda, AGE, VARNETA_AGENDA, "Agenda", "Agenda", agendaDataFile(), 0, 269,
                     "Agenda de direcciones", VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(RubrosAgenda, RAG, VARNETA_RUBROS_AGENDA, "RubrosAgenda", "RubrosAgenda",
                     agendaDataFile(), 0, 62, "Rubros para la Agenda", VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(AgendaRecordatoria, AGG, VARNETA_AGENDA_RECORDATORIA, "AgendaRecordatoria",
                     "AGENDARE", agendaDataFile(), 1, 75, "Agenda (Recordatorio)",
                     VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(Temas, TEM, VARNETA_TEMAS, "Temas", "TEMAS", mainDataFile(), 1, 388,
                     "Temas para las Notas", VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(Notas, TEX, VARNETA_NOTAS, "Notas", "NOTAS", mainDataFile(), 1, 317, "",
                     VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(Macros, MAC, VARNETA_MACROS, "Macros", "Macros", mainDataFile(), 3, 359,
                     "Definiciones de Macros para las Notas", VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(NotasMacros, NMA, VARNETA_NOTAS_MACROS, "NotasMacros", "NotasMacros",
                     mainDataFile(), 2, 10127, "", VARNETA_AS_DECLARED)
// Version 2 keeps the passwords' digests, where version 1 kept them as typed.
#define VARNETA_USUARIOS_DIGESTS(builder) \
  builder.rewriteOlder("Password_Usuario", 2, digestOfStoredPassword);
VARNETA_DEFINE_TABLE(Usuarios, USU, VARNETA_USUARIOS, "Usuarios", "Usuario", mainDataFile(), 2, 184,
                     "Usuarios del Sistema", VARNETA_USUARIOS_DIGESTS)
static_assert(decltype(UsuariosRecord::Password_Usuario)::size >= kPasswordDigestLength);
VARNETA_DEFINE_TABLE(KovSaveC, KOV_C, VARNETA_KOV_SAVE_C, "kov::SaveC", "KovSaveC", mainDataFile(),
                     0, 154, "", VARNETA_AS_DECLARED)
VARNETA_DEFINE_TABLE(KovSaveD, KOV_D, VARNETA_KOV_SAVE_DET, "kov::SaveDet", "KovSaveD",
                     mainDataFile(), 0, 65, "", VARNETA_AS_DECLARED)

VARNETA_DEFINE_SECOND_CURSOR(Copia_TiposConsultas, C_TIC, TiposConsultas, "Copia_TiposConsultas")

}  // namespace core
