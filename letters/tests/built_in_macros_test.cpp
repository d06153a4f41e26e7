// The system macros recorded at start: all twelve on an empty table, in
// order; nothing on a second start; only the missing ones when some exist.
#include "letters/built_in_macros.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/table_managers.h"
#include "core/testing/practice_folder.h"
#include "platform/base/cp_literal.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"

namespace letters {
namespace {

class BuiltInMacros : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::path folder;
    ASSERT_NO_FATAL_FAILURE(core::testing::openFreshPractice("macros", folder));
    core::TableManagersInit();
    ASSERT_EQ(macros().open(), core::level::Benign);
  }
  void TearDown() override {
    macros().closeAll();
    core::TableManagersKill();
    rt::closeDatabase();
  }
  static core::TableAccess& macros() { return core::access(core::Macros::def()); }

  struct Row {
    int code;
    std::string identifier;
    int interna;
  };
  static std::vector<Row> rows() {
    std::vector<Row> out;
    rt::Table& t = macros().table();
    t.setToStart(core::Macros::MAC01);
    while (t.next() == 0) {
      out.push_back({core::MAC().Cod_Macro, std::string(core::MAC().Identificador.clipped()),
                     core::MAC().Interna});
    }
    return out;
  }
};

TEST_F(BuiltInMacros, AnEmptyTableGetsAllTwelveInOrderAndASecondStartAddsNothing) {
  AltaMacros();
  const auto first = rows();
  ASSERT_EQ(first.size(), builtInMacros().size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].code, static_cast<int>(i + 1));
    EXPECT_EQ(first[i].identifier, builtInMacros()[i].identifier);
    EXPECT_EQ(first[i].interna, 1);
  }
  AltaMacros();
  const auto second = rows();
  ASSERT_EQ(second.size(), first.size()) << "a second start records nothing";
  EXPECT_TRUE(macros().isOpen()) << "the caller's own use of the table is kept";
}

TEST(BuiltInMacroTexts, AccentedDescriptionsAreSingleCp1252Letters) {
  // "\xEDa" would read as one (too large) escape: the "a" must stay a letter.
  for (const BuiltInMacro& m : builtInMacros()) {
    if (m.identifier == "FECHA") {
      EXPECT_EQ(m.description, "Fecha del Día"_cp);
    }
    if (m.identifier == "MEDMATRICULA") {
      EXPECT_EQ(m.description, "Matrícula del Profesional"_cp);
    }
  }
}

TEST_F(BuiltInMacros, OnlyMissingMacrosAreAddedAndExistingOnesAreLeftAlone) {
  rt::Table& t = macros().table();
  t.clear();
  core::MAC().Cod_Macro = 40;
  core::MAC().Identificador = "FECHA";
  core::MAC().Descripcion = "Mi fecha";
  core::MAC().Interna = 0;
  ASSERT_EQ(t.add(), 0);
  AltaMacros();
  const auto all = rows();
  ASSERT_EQ(all.size(), builtInMacros().size());
  int fecha = 0;
  for (const Row& r : all) {
    if (r.identifier != "FECHA") continue;
    ++fecha;
    EXPECT_EQ(r.code, 40);
    EXPECT_EQ(r.interna, 0) << "an existing macro is not marked";
  }
  EXPECT_EQ(fecha, 1);
}

}  // namespace
}  // namespace letters
