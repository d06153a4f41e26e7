// The settings read at every start: the first run writes the defaults, a
// missing entry gives its default, and consultation type 1 is seeded (giving
// it to every consultation without a type) only while it is missing.
#include "core/frame/global_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/testing/practice_folder.h"
#include "platform/base/cp_literal.h"
#include "platform/base/ini_file.h"
#include "platform/base/paths.h"
#include "platform/base/registry_store.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"

namespace core {
namespace {

class GlobalSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(core::testing::openFreshPractice("settings", folder_));
    TableManagersInit();
    GLO::ArchivoIni = rt::runtimeName(folder_ / "Dezedu.ini");
    GLO::PrimeraEjecucion = 0;
    GLO::Cod_Usuario_Logueado = 0;
    GLO::Nivel_Usuario_Logueado = 0;
  }
  void TearDown() override {
    TableManagersKill();
    rt::closeDatabase();
  }
  // Consultations (code, type) added straight to the table.
  void addConsultations(std::initializer_list<std::pair<int, int>> rows) {
    TableAccess& a = access(Consultas::def());
    ASSERT_EQ(a.open(), level::Benign);
    for (auto [code, type] : rows) {
      a.table().clear();
      CON().Cod_Consulta = code;
      CON().Cod_TipoConsulta = type;
      ASSERT_EQ(a.table().add(), 0);
    }
    a.close();
  }
  std::vector<int> consultationTypes() {
    std::vector<int> types;
    TableAccess& a = access(Consultas::def());
    EXPECT_EQ(a.open(), level::Benign);
    a.table().setToStart(Consultas::CON01);
    while (a.table().next() == 0) types.push_back(CON().Cod_TipoConsulta);
    a.close();
    return types;
  }
  void addTypeOne(const char* description) {
    TableAccess& a = access(TiposConsultas::def());
    ASSERT_EQ(a.open(), level::Benign);
    a.table().clear();
    TIC().Cod_TipoConsulta = 1;
    TIC().Descripcion = description;
    ASSERT_EQ(a.table().add(), 0);
    a.close();
  }
  std::filesystem::path folder_;
};

TEST_F(GlobalSettings, AFirstRunIsToldByTheSettingsFilesEntries) {
  const std::filesystem::path file = folder_ / "Dezedu.ini";
  struct Case {
    const char* content;  // nullptr: no file
    bool first;
  };
  const Case cases[] = {{nullptr, true},
                        {"", true},
                        {"\n[Usuario]\n", true},
                        {"[Usuario]\nUsuario=Clinica\n", false}};
  for (const Case& c : cases) {
    std::filesystem::remove(file);
    if (c.content) std::ofstream(file, std::ios::binary) << c.content;
    EXPECT_EQ(isFirstRun(GLO::ArchivoIni), c.first) << (c.content ? c.content : "(no file)");
  }
}

TEST_F(GlobalSettings, AFirstRunWritesTheDefaultsSeedsTypeOneAndGivesItToUntypedConsultations) {
  addConsultations({{1, 0}, {2, 3}, {3, 0}});
  GLO::PrimeraEjecucion = 1;
  InicializaVariablesGlobales();
  const auto entries = [&](const char* section) {
    return rt::getIniSection(section, GLO::ArchivoIni);
  };
  EXPECT_EQ(entries("Usuario").at(0).second, "Su Razón Social"_cp);
  EXPECT_EQ(entries("Login").at(0).second, "0");
  EXPECT_EQ(entries("Adjuntos").at(0).second, inProgramFolder("Adjuntos"));
  ASSERT_EQ(entries("Pantalla").size(), 3u);
  EXPECT_EQ(entries("Pantalla")[1], (std::pair<std::string, std::string>{"Centrado", "0"}));

  EXPECT_EQ(GLO::UsuarioSistema.substr(0, 15), "Su Razón Social"_cp);
  EXPECT_EQ(GLO::LoginRequerido, 0);
  EXPECT_EQ(GLO::Cod_Usuario_Logueado, 0);
  EXPECT_EQ(GLO::Nivel_Usuario_Logueado, 9) << "no login: every right";
  EXPECT_EQ(DAT::RespetaOrdenTurnos, 1);
  EXPECT_EQ(GLO::ExportacionPropia, 1);
  EXPECT_EQ(GLO::TituloSistema, "Varneta - " + versionText(kBuildText));
  EXPECT_EQ(consultationTypes(), (std::vector<int>{1, 3, 1}));
  const auto color = rt::registryRead(rt::RegistryRoot::CurrentUser, kRegistryKey, "BackColor");
  ASSERT_TRUE(color);
  EXPECT_EQ(color->text, "16443110");

  TableAccess& tipos = access(TiposConsultas::def());
  ASSERT_EQ(tipos.open(), level::Benign);
  tipos.table().clear();
  TIC().Cod_TipoConsulta = 1;
  ASSERT_EQ(tipos.fetchByKey(TiposConsultas::TIC01), level::Benign);
  EXPECT_EQ(TIC().Descripcion.clipped(), "Consulta Normal");
  tipos.close();
}

TEST_F(GlobalSettings, MissingEntriesGiveTheirDefaultsAndAnExistingTypeOneLeavesConsultations) {
  rt::putIni("Login", "Login", "1", GLO::ArchivoIni);
  addTypeOne("Primera vez");
  addConsultations({{1, 0}});
  InicializaVariablesGlobales();
  EXPECT_EQ(GLO::UsuarioSistema.substr(0, 4), "xxx ");
  EXPECT_EQ(GLO::LoginRequerido, 1);
  EXPECT_EQ(GLO::Nivel_Usuario_Logueado, 0) << "left for the login";
  EXPECT_EQ(DAT::RespetaOrdenTurnos, 1);
  EXPECT_EQ(GLO::DirectorioAdjuntos, "");
  EXPECT_EQ(consultationTypes(), (std::vector<int>{0}));
  EXPECT_TRUE(rt::getIniSection("Pantalla", GLO::ArchivoIni).empty()) << "not a first run";
}

// The main data file's change counter, which SQLite raises once per
// committed write transaction.
std::uint32_t changeCounter(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  unsigned char bytes[4] = {};
  in.seekg(24);
  in.read(reinterpret_cast<char*>(bytes), 4);
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
         std::uint32_t{bytes[2]} << 8 | bytes[3];
}

TEST_F(GlobalSettings, GivingTypeOneToManyConsultationsCommitsOnce) {
  TableAccess& a = access(Consultas::def());
  ASSERT_EQ(a.open(), level::Benign);
  ASSERT_EQ(rt::beginTransaction(), 0);
  for (int code = 1; code <= 300; ++code) {
    a.table().clear();
    CON().Cod_Consulta = code;
    CON().Cod_TipoConsulta = code % 3 == 0 ? 2 : 0;
    ASSERT_EQ(a.table().add(), 0);
  }
  ASSERT_EQ(rt::commitTransaction(), 0);
  a.close();
  const std::uint32_t before = changeCounter(folder_ / "Varneta.dat");
  InicializaVariablesGlobales();
  EXPECT_LE(changeCounter(folder_ / "Varneta.dat") - before, 2u)
      << "type 1 and the 200 untyped consultations in one commit";
  const std::vector<int> types = consultationTypes();
  ASSERT_EQ(types.size(), 300u);
  for (std::size_t i = 0; i < types.size(); ++i) {
    EXPECT_EQ(types[i], (i + 1) % 3 == 0 ? 2 : 1) << "consultation " << i + 1;
  }
}

}  // namespace
}  // namespace core
