#include "core/frame/global_settings.h"

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/logical_threads.h"
#include "platform/base/paths.h"
#include "platform/base/procedures.h"
#include "platform/base/registry_store.h"
#include "platform/base/safe_file.h"
#include "platform/data/database.h"

namespace core {
namespace {

// The tables a windowless procedure works on, opened around its body and
// closed again only when they were opened.
class OpenTables {
 public:
  explicit OpenTables(std::initializer_list<const rt::TableDef*> defs) {
    for (const rt::TableDef* def : defs) {
      TableAccess& a = access(*def);
      if (a.open() == level::Benign) opened_.push_back(&a);
    }
  }
  ~OpenTables() {
    for (auto it = opened_.rbegin(); it != opened_.rend(); ++it) (*it)->close();
  }
  OpenTables(const OpenTables&) = delete;
  OpenTables& operator=(const OpenTables&) = delete;

 private:
  std::vector<TableAccess*> opened_;
};

std::uint8_t iniByte(std::string_view section, std::string_view entry, std::string_view def) {
  return static_cast<std::uint8_t>(
      rt::textToNumber(rt::getIni(section, entry, def, GLO::ArchivoIni)));
}

void writeFirstRunEntries() {
  const std::string& ini = GLO::ArchivoIni;
  rt::putIni("Usuario", "Usuario", "Su Razón Social"_cp, ini);
  rt::putIni("Login", "Login", "0", ini);
  rt::putIni("Adjuntos", "Documentos", inProgramFolder("Adjuntos"), ini);
  rt::putIni("Pantalla", "Fondo", inProgramFolder("Wallpaper.jpg"), ini);
  rt::putIni("Pantalla", "Centrado", "0", ini);
  rt::putIni("Pantalla", "Estirado", "0", ini);
}

// Consultation type 1 exists; when it had to be added, every consultation
// without a type gets it. The type and the pass are one transaction: a
// start-up over a large folder commits once (not once per consultation), and
// a pass that cannot finish leaves type 1 missing, so the next start does it
// again.
void ensureConsultationTypeOne() {
  TableAccess& tipos = access(TiposConsultas::def());
  tipos.table().clear();
  TIC().Cod_TipoConsulta = 1;
  if (tipos.fetchByKey(TiposConsultas::TIC01) == level::Benign) return;
  const bool inTransaction = beginTransactionWithin(kTransactionTimeoutMs) == 0;
  AltaTiposConsulta();
  rt::Table& consultas = access(Consultas::def()).table();
  consultas.setToStart(Consultas::CON01);
  while (consultas.next() == 0) {
    if (CON().Cod_TipoConsulta != 0) continue;
    CON().Cod_TipoConsulta = 1;
    consultas.put();  // a failed write does not stop the pass
  }
  if (inTransaction) rt::commitTransaction();
}

}  // namespace

std::string versionText(std::string_view build) {
  return rt::fixedWidth("Versión 9.0 ("_cp + std::string(rt::clip(build)) + ")", 40);
}

std::string titleText(const std::string& version) {
  return "Varneta - " + rt::fixedWidth(version, 40);
}

std::string programFolder() { return rt::runtimeName(rt::workingFolder()); }

std::string inProgramFolder(std::string_view name) {
  return programFolder() + "/" + std::string(name);
}

std::string localDataFolder() {
  std::filesystem::path folder;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    folder = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    folder = std::filesystem::path(home) / ".local" / "share";
  }
  std::error_code ec;
  if (folder.empty() || !std::filesystem::is_directory(folder, ec)) return {};
  return rt::runtimeName(std::filesystem::weakly_canonical(folder, ec));
}

void AltaTiposConsulta() {
  OpenTables tables{&TiposConsultas::def()};
  rt::Table& tipos = access(TiposConsultas::def()).table();
  tipos.clear();
  TIC().Cod_TipoConsulta = 1;
  TIC().Descripcion = "Consulta Normal";
  TIC().Color = 0;
  tipos.add();  // code 1 may exist already: nothing to report
}

bool isFirstRun(const std::string& settingsFile) {
  const std::optional<std::string> content = rt::readWholeFile(rt::resolvePath(settingsFile));
  return !content || content->find('=') == std::string::npos;
}

void InicializaVariablesGlobales() {
  rt::ProcedureScope scope("InicializaVariablesGlobales");
  rt::registryWriteString(rt::RegistryRoot::CurrentUser, kRegistryKey, "BackColor",
                          std::to_string(kBackColor));
  GLO::DirectorioExportacion = inProgramFolder("Exportados");
  GLO::DirectorioSistema = programFolder();
  GLO::ExportacionPropia = 1;
  GLO::OpcionExportacion = 1;
  if (GLO::PrimeraEjecucion == 1) writeFirstRunEntries();
  GLO::VersionSistema = versionText(kBuildText);
  GLO::TituloSistema = titleText(GLO::VersionSistema);

  GLO::UsuarioSistema =
      rt::fixedWidth(rt::getIni("Usuario", "Usuario", "xxx", GLO::ArchivoIni), 80);
  GLO::LoginRequerido = iniByte("Login", "Login", "0");
  if (GLO::LoginRequerido == 0) {
    GLO::Cod_Usuario_Logueado = 0;
    GLO::Nivel_Usuario_Logueado = 9;
  }
  GLO::DirectorioAdjuntos = rt::getIni("Adjuntos", "Documentos", "", GLO::ArchivoIni);
  DAT::RespetaOrdenTurnos = iniByte("Atencion", "RespetaTurnos", "1");

  {
    OpenTables tables{&TiposConsultas::def(), &Consultas::def()};
    ensureConsultationTypeOne();
    rt::callProcedure("AltaMacros");
    GLO::DirectorioDatosLocales = localDataFolder();
  }
}

void registerGlobalSettings() {
  rt::registerProcedure("InicializaVariablesGlobales", [](const rt::ProcedureArgs&) {
    InicializaVariablesGlobales();
    return rt::kCompleted;
  });
  rt::registerProcedure("AltaTiposConsulta", [](const rt::ProcedureArgs&) {
    AltaTiposConsulta();
    return rt::kCompleted;
  });
}

}  // namespace core
