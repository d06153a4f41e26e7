#include "platform/base/expression.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"

namespace {

// A record buffer as the table layer keeps it: fixed, space-padded text.
struct Patient {
  char Nombre[30];
  std::int32_t Cod_Paciente;
  std::uint8_t Inactivo;
  std::int32_t Fecha_Nacim;
  char NroDoc[10];
};

void setText(char* field, std::size_t size, std::string_view value) {
  const std::string padded = rt::fixedWidth(value, size);
  std::memcpy(field, padded.data(), size);
}

struct ExpressionCase {
  const char* expression;
  bool expected;
};

class Expressions : public ::testing::Test {
 protected:
  Expressions() {
    names.bind("PAC:Nombre", rt::Binding::textAt(pac.Nombre, sizeof pac.Nombre));
    names.bind("PAC:Cod_Paciente", rt::Binding::numberAt(&pac.Cod_Paciente));
    names.bind("PAC:Inactivo", rt::Binding::numberAt(&pac.Inactivo));
    names.bind("PAC:Fecha_Nacim", rt::Binding::numberAt(&pac.Fecha_Nacim));
    names.bind("PAC:NroDoc", rt::Binding::textAt(pac.NroDoc, sizeof pac.NroDoc));
    names.bind("PAC:Notas", rt::Binding::textAt(&notes));
    names.bind("GLO:Nivel_Usuario_Logueado", rt::Binding::numberAt(&level));
    names.bind("Operacion", rt::Binding::text([this] { return std::string_view(operation); }));
    fill("María GARCÍA"_cp, 7, 0, 82090 - 40 * 365, "12345678");
  }
  void fill(std::string_view name, int code, int inactive, int born, std::string_view doc) {
    setText(pac.Nombre, sizeof pac.Nombre, name);
    pac.Cod_Paciente = code;
    pac.Inactivo = static_cast<std::uint8_t>(inactive);
    pac.Fecha_Nacim = born;
    setText(pac.NroDoc, sizeof pac.NroDoc, doc);
  }
  bool eval(std::string_view text) {
    rt::FilterExpression e(text, names);
    EXPECT_TRUE(e.compiled()) << text << ": " << e.error().code << " at " << e.error().position;
    return e.matches();
  }

  Patient pac{};
  std::string notes = "Alérgico a la penicilina"_cp;
  int level = 9;
  std::string operation = "Alta";
  rt::BindingTable names;
};

TEST_F(Expressions, OperatorsFunctionsAndBindings) {
  const ExpressionCase cases[] = {
      {"PAC:Inactivo = 0", true},
      {"pac:inactivo = 1", false},
      {"NOT PAC:Inactivo = 1", true},
      {"PAC:Cod_Paciente = 7 AND GLO:Nivel_Usuario_Logueado >= 9", true},
      {"PAC:Cod_Paciente = 8 OR PAC:Cod_Paciente <> 7", false},
      {"PAC:Cod_Paciente = 8 OR (PAC:Cod_Paciente > 6 AND PAC:Cod_Paciente < 7.5)", true},
      {"NOT (PAC:Cod_Paciente = 7 OR PAC:Cod_Paciente = 8)", false},
      {"PAC:Nombre = 'María GARCÍA'"_cp, true},  // trailing spaces do not count
      {"PAC:Nombre = 'maría garcÍa'"_cp, false},
      {"UPPER(PAC:Nombre) = 'MARÍA GARCÍA'"_cp, true},
      {"CLIP(PAC:Nombre) & '|' = 'María GARCÍA|'"_cp, true},
      {"PAC:Nombre & '|' = 'María GARCÍA|'"_cp, false},
      {"PAC:Cod_Paciente & 'x' = '7x'", true},
      {"SUB(PAC:Nombre, 1, 3) = 'Mar'", true},
      {"SUB(CLIP(PAC:Nombre), -3, 3) = 'CÍA'"_cp, true},
      {"SUB(PAC:Nombre, 40, 3) = ''", true},
      {"INSTRING('GARC', PAC:Nombre, 1, 1) = 7", true},
      {"INSTRING('a', PAC:Nombre, 1, 3) = 5", true},
      {"INSTRING('a', CLIP(PAC:Nombre), -1, 30) = 5", true},
      {"INSTRING('XYZ', PAC:Nombre) = 0", true},
      {"INSTRING('pen', PAC:Notas)", true},
      {"YEAR(PAC:Fecha_Nacim) = 1985 AND MONTH(PAC:Fecha_Nacim) = 10 AND DAY(PAC:Fecha_Nacim) = 9",
       true},
      {"YEAR(0) = 0", true},
      // Texts that look numeric compare as numbers, others in the collation.
      {"PAC:NroDoc = 12345678", true},
      {"PAC:NroDoc > '9'", true},
      {"PAC:Nombre > 5", true},
      {"'ÑANDÚ' < 'OSO'"_cp, true},
      {"'ÑANDÚ' > 'NUTRIA'"_cp, true},
      {"'O''Brien' = 'O' & '''' & 'Brien'", true},
      {"Operacion = 'Alta'", true},
      {"GLO:NIVEL_USUARIO_LOGUEADO = '9'", true},
  };
  for (const ExpressionCase& c : cases) EXPECT_EQ(eval(c.expression), c.expected) << c.expression;
}

TEST_F(Expressions, MatchModes) {
  fill("Mariana", 1, 0, 0, "");
  const ExpressionCase cases[] = {
      {"MATCH(PAC:Nombre,'*ana*',17)", true},   {"MATCH(PAC:Nombre,'*ANA*',17)", true},
      {"MATCH(PAC:Nombre,'*ANA*',1)", false},   {"MATCH(PAC:Nombre,'*ana*')", true},
      {"MATCH(PAC:Nombre,'Mar?ana',17)", true}, {"MATCH(PAC:Nombre,'Mar?na',17)", false},
      {"MATCH(PAC:Nombre,'M*a*n*a',1)", true},  {"MATCH(PAC:Nombre,'ana',17)", false},
      {"MATCH(PAC:Nombre,'MARIANA',16)", true}, {"MATCH(PAC:Nombre,'Mari*',0)", false},
      {"MATCH(PAC:Nombre,'Mariana',0)", true},  {"MATCH(PAC:Cod_Paciente,'1',17)", true},
      {"MATCH(PAC:Nombre,'*',17)", true},
  };
  for (const ExpressionCase& c : cases) EXPECT_EQ(eval(c.expression), c.expected) << c.expression;
  // The locale's case mapping folds accented letters too.
  fill("GARCÍA, José"_cp, 2, 0, 0, "");
  EXPECT_TRUE(eval("MATCH(PAC:Nombre,'*garcía*',17)"_cp));
  EXPECT_TRUE(eval("MATCH(PAC:Nombre,'*JOSÉ',17)"_cp));
  EXPECT_FALSE(eval("MATCH(PAC:Nombre,'*GARCIA*',17)"));
}

TEST_F(Expressions, FollowsTheBoundRecords) {
  rt::FilterExpression active("PAC:Inactivo = 0", names);
  rt::FilterExpression search("MATCH(PAC:Nombre,'*GARCIA*',17)", names);
  const struct {
    const char* name;
    int inactive;
  } rows[] = {{"Garcia, Ana", 0}, {"Perez, Juan", 1}, {"GARCIA LOPEZ", 1}, {"Lopez", 0}};
  std::string activeRows, foundRows;
  for (int i = 0; i < 4; ++i) {
    fill(rows[i].name, i, rows[i].inactive, 0, "");
    if (active.matches()) activeRows += std::to_string(i);
    if (search.matches()) foundRows += std::to_string(i);
  }
  EXPECT_EQ(activeRows, "03");
  EXPECT_EQ(foundRows, "02");
}

TEST_F(Expressions, WindowLocalsAgainstRecordFields) {
  char procedure[50] = {};
  char savedProcedure[50] = {};
  rt::BindingTable scope;
  scope.bind("Kov_C:EProcedure", rt::Binding::textAt(savedProcedure, sizeof savedProcedure));
  scope.bind("L:Procedure", rt::Binding::textAt(procedure, sizeof procedure));
  setText(procedure, sizeof procedure, "ExaminarPacientes");
  rt::FilterExpression filter("(Kov_C:EProcedure = L:Procedure)", scope);
  ASSERT_TRUE(filter.compiled());
  setText(savedProcedure, sizeof savedProcedure, "ExaminarPacientes");
  EXPECT_TRUE(filter.matches());
  setText(savedProcedure, sizeof savedProcedure, "ExaminarMedicos");
  EXPECT_FALSE(filter.matches());
}

TEST_F(Expressions, BrokenExpressionsMatchNothingAndSayWhy) {
  struct Case {
    const char* expression;
    int code;
    std::size_t position;
    const char* name;
  };
  const Case cases[] = {
      {"PAC:Inactivo = ", 800, 16, ""},
      {"PAC:Inactivo == 0", 800, 15, ""},
      {"(PAC:Inactivo = 0", 800, 18, ""},
      {"PAC:Inactivo = 0)", 800, 17, ""},
      {"PAC:Nombre = 'abc", 800, 14, ""},
      {"MATCH(PAC:Nombre)", 800, 1, ""},
      {"MATCH(PAC:Nombre,'a*',2)", 800, 1, ""},
      {"LEFT(PAC:Nombre) = 'a'", 800, 1, ""},
      {"PAC:Inactivo = 0 AND", 800, 21, ""},
      {"PAC:Inactivo = 0 # 1", 800, 18, ""},
      {"PAC:Inactivo = 0 AND pac:nada = 1", 801, 22, "pac:nada"},
      {"CON:Fecha >= 82000", 801, 1, "CON:Fecha"},
  };
  for (const Case& c : cases) {
    rt::FilterExpression e(c.expression, names);
    EXPECT_FALSE(e.compiled()) << c.expression;
    EXPECT_FALSE(e.matches()) << c.expression;
    EXPECT_EQ(e.error().code, c.code) << c.expression;
    EXPECT_EQ(e.error().position, c.position) << c.expression;
    EXPECT_EQ(e.error().name, c.name) << c.expression;
    EXPECT_EQ(e.error().text, rt::expressionErrorText(c.code)) << c.expression;
  }
  EXPECT_EQ(rt::cp1252ToUtf8(rt::expressionErrorText(800)),
            "La expresi\u00f3n no es sint\u00e1cticamente correcta");
  EXPECT_EQ(rt::cp1252ToUtf8(rt::expressionErrorText(801)), "No se encontr\u00f3 la variable");
}

TEST_F(Expressions, DeepNestingIsRefusedAndLongRunsStayFlat) {
  const std::string deep = std::string(5000, '(') + "1" + std::string(5000, ')');
  rt::FilterExpression nested(deep, names);
  EXPECT_EQ(nested.error().code, 800);
  std::string nots;
  for (int i = 0; i < 5000; ++i) nots += "NOT ";
  EXPECT_EQ(rt::FilterExpression(nots + "1", names).error().code, 800);
  std::string run = "PAC:Cod_Paciente = 0";
  for (int i = 1; i < 20000; ++i) run += " OR PAC:Cod_Paciente = " + std::to_string(i);
  rt::FilterExpression longRun(run, names);
  ASSERT_TRUE(longRun.compiled());
  EXPECT_TRUE(longRun.matches());
  EXPECT_TRUE(eval("((((PAC:Cod_Paciente = 7))))"));
}

TEST_F(Expressions, BlankExpressionSetsNoCondition) {
  rt::FilterExpression blank("   ", names);
  EXPECT_TRUE(blank.compiled());
  EXPECT_TRUE(blank.matches());
}

// The stretch of whole numbers a numeric name is held to: only comparisons
// with a number joined by AND at the top count. Every record outside the
// stretch is one the expression refuses (the other conditions held true).
TEST_F(Expressions, RangeOfANumericNameFromTheTopLevelComparisons) {
  constexpr std::int64_t kLeast = std::numeric_limits<std::int64_t>::min();
  constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max();
  struct RangeCase {
    const char* expression;
    std::optional<std::pair<std::int64_t, std::int64_t>> range;
  };
  const RangeCase cases[] = {
      {"PAC:Fecha_Nacim >= 100 AND PAC:Fecha_Nacim <= 200", std::pair{100, 200}},
      {"(pac:fecha_nacim > 99.5) AND (PAC:Inactivo = 0 AND 200 >= PAC:Fecha_Nacim)",
       std::pair{100, 200}},
      {"PAC:Fecha_Nacim > 99 AND PAC:Fecha_Nacim < 201.5", std::pair{100, 201}},
      {"10 < PAC:Fecha_Nacim AND PAC:Inactivo = 0", std::pair{11, kMost}},
      {"PAC:Fecha_Nacim = 7", std::pair{7, 7}},
      {"PAC:Fecha_Nacim = 7.5", std::pair{8, 7}},
      {"PAC:Fecha_Nacim >= 9 AND PAC:Fecha_Nacim <= 3", std::pair{9, 3}},
      {"PAC:Fecha_Nacim <= 3", std::pair{kLeast, 3}},
      {"PAC:Fecha_Nacim < 10 OR PAC:Fecha_Nacim > 20", std::nullopt},
      {"NOT PAC:Fecha_Nacim < 10", std::nullopt},
      {"PAC:Fecha_Nacim <> 10", std::nullopt},
      {"PAC:Fecha_Nacim >= PAC:Cod_Paciente", std::nullopt},
      {"PAC:Fecha_Nacim >= '100'", std::nullopt},
      {"PAC:Cod_Paciente = 7", std::nullopt},
      {"PAC:NroDoc = 5", std::nullopt},
      {"", std::nullopt},
      {"PAC:Fecha_Nacim >=", std::nullopt},
  };
  for (const RangeCase& c : cases) {
    const rt::FilterExpression e(c.expression, names);
    const std::optional<rt::WholeRange> range = e.rangeOf("PAC:Fecha_Nacim");
    ASSERT_EQ(range.has_value(), c.range.has_value()) << c.expression;
    if (!range) continue;
    EXPECT_EQ(range->low, c.range->first) << c.expression;
    EXPECT_EQ(range->high, c.range->second) << c.expression;
    std::vector<std::int64_t> outside;
    if (range->low != kLeast) outside.push_back(range->low - 1);
    if (range->high != kMost) outside.push_back(range->high + 1);
    for (std::int64_t value : outside) {
      fill("Ana", 7, 0, static_cast<int>(value), "1");
      EXPECT_FALSE(e.matches()) << c.expression << " with " << value;
    }
  }
}

}  // namespace
