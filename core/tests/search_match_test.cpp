// What the database lets through when it tests a searched column before the
// records are loaded is exactly what the search's MATCH accepts on the loaded
// buffers: case and accents as the program's collation (Ñ/ñ, an accented
// word), a date column, a column of a joined table.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/shapes/list_search.h"
#include "core/tables/clinical_tables.h"
#include "core/testing/practice_folder.h"
#include "platform/base/cp_literal.h"
#include "platform/base/expression.h"
#include "platform/base/runtime_errors.h"
#include "platform/data/cursor.h"
#include "platform/data/database.h"
#include "platform/data/record_names.h"
#include "platform/data/view.h"

namespace core {
namespace {

class SearchMatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(
        core::testing::openFreshPractice("search-match", folder_, core::testing::Tables::AllOpen));
    const char* const names[] = {"PEÑA, Ana"_cp,    "peña, luis"_cp,   "Pena, Olga",
                                 "Ibáñez, Inés"_cp, "IBAÑEZ, RAÚL"_cp, "Ibanez, Juan"};
    for (int p = 1; p <= 6; ++p) {
      Pacientes::table().clear();
      PAC().Cod_Paciente = static_cast<std::uint16_t>(p);
      PAC().Nombre = names[p - 1];
      ASSERT_EQ(Pacientes::table().add(), 0);
    }
    const char* const reasons[] = {"Niño con tos"_cp, "NIÑO CON FIEBRE"_cp, "Nino sano",
                                   "Revisión"_cp,     "REVISIÓN ANUAL"_cp,  "revision"};
    for (int c = 1; c <= 12; ++c) {
      Consultas::table().clear();
      CON().Cod_Consulta = static_cast<std::uint32_t>(c);
      CON().Cod_Paciente = static_cast<std::uint16_t>(1 + c % 7);  // 7: no such patient
      CON().Fecha = 82013 + c % 4;
      CON().Motivo = reasons[c % 6];
      ASSERT_EQ(Consultas::table().add(), 0);
    }
  }
  void TearDown() override {
    closeAllTables();
    rt::closeDatabase();
  }

  // The consultations, by date, that the expression accepts: every record
  // loaded, or only those the database lets through for the column.
  std::vector<std::int64_t> found(const std::string& expression, bool databaseTests,
                                  bool expressionToo = true) {
    rt::View view(Consultas::def(), Consultas::CON05);
    view.join(Pacientes::def(), Pacientes::PAS_001,
              {Consultas::def().fieldIndex("CON:Cod_Paciente")});
    const rt::RecordNames names({&Consultas::def(), &Pacientes::def()});
    const rt::FilterExpression condition(expression, names);
    EXPECT_EQ(condition.error().code, 0) << expression;
    view.setToStart();
    if (databaseTests) {
      const std::optional<MatchParts> parts = matchParts(expression);
      EXPECT_TRUE(parts && view.setMatchTest(parts->field, parts->value, parts->mode))
          << expression;
    }
    std::vector<std::int64_t> ids;
    for (int read; (read = view.next()) != rt::error::RecordNotAvailable;) {
      if (read == rt::Cursor::kStillLooking) continue;
      EXPECT_EQ(read, 0);
      if (read != 0) break;
      if (!expressionToo || condition.matches()) ids.push_back(CON().Cod_Consulta);
    }
    return ids;
  }

  std::filesystem::path folder_;
};

TEST_F(SearchMatchTest, TheDatabaseLetsThroughWhatTheSearchFinds) {
  const struct {
    const char* field;
    const char* typed;
    const char* picture;
    std::size_t expected;
  } cases[] = {
      {"CON:Motivo", "niño"_cp, "@s120", 4},      // NIÑO and Niño, not Nino
      {"CON:Motivo", "revisión"_cp, "@s120", 4},  // the accented word in either case
      {"CON:Motivo", "revision", "@s120", 2},    {"CON:Motivo", "n?ño*"_cp, "@s120", 4},
      {"CON:Fecha", "14/07/2025", "@d17", 3},  // day 82013
      {"PAC:Nombre", "peña"_cp, "@s90", 3},      {"PAC:Nombre", "IBÁÑEZ"_cp, "@s90", 2},
      {"PAC:Nombre", "o'hara", "@s90", 0},
  };
  for (const auto& c : cases) {
    const std::string expression = matchExpression(c.field, searchValue(c.typed, c.picture));
    const std::vector<std::int64_t> everyRecord = found(expression, false);
    EXPECT_EQ(everyRecord.size(), c.expected) << expression;
    EXPECT_EQ(found(expression, true, false), everyRecord) << expression;
  }
}

TEST(SearchExpressionParts, BackFromTheExpression) {
  const auto parts = matchParts("MATCH(PAC:Nombre,'*O''Brien*',17)");
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->field, "PAC:Nombre");
  EXPECT_EQ(parts->value, "*O'Brien*");
  EXPECT_EQ(parts->mode, 17);
  for (const char* other : {"MATCH(PAC:Nombre,'a'b',17)", "MATCH(PAC:Nombre,'ab',1)",
                            "PAC:Nombre = 'ab'", "MATCH(PAC:Nombre',17)"}) {
    EXPECT_FALSE(matchParts(other)) << other;
  }
}

}  // namespace
}  // namespace core
