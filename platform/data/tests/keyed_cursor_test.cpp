// Key order, skip-empty keys, descending components and walking a key.
#include <gtest/gtest.h>

#include <vector>

#include "platform/base/cp_literal.h"
#include "platform/data/tests/test_tables.h"
#include "platform/data/view.h"

namespace rt::testing {
namespace {

std::vector<std::string> walk(Table& t, int key, bool forward = true) {
  std::vector<std::string> names;
  t.setToStart(key);
  while ((forward ? t.next() : t.previous()) == 0) names.push_back(DataTest::name(t));
  return names;
}

using KeyedCursorTest = DataTest;

TEST_F(KeyedCursorTest, SpanishNamesOrderInBothKeyKinds) {
  Table& t = open(people());
  // "\xF1" is n with tilde, "\xD1" N with tilde, "\xFA" u with acute.
  for (const char* n :
       {"Zapata", "Ñandú"_cp, "Nuñez"_cp, "Nunez", "nunez", "Nuñez"_cp, "Olmos", "Nuzo"}) {
    person(t, 0, n);
  }
  const std::vector<std::string> insensitive = {"Nunez", "nunez",    "Nuñez"_cp, "Nuñez"_cp,
                                                "Nuzo",  "Ñandú"_cp, "Olmos",    "Zapata"};
  EXPECT_EQ(walk(t, kByName), insensitive);
  const std::vector<std::string> sensitive = {"Nunez", "Nuñez"_cp, "Nuñez"_cp, "Nuzo",
                                              "nunez", "Ñandú"_cp, "Olmos",    "Zapata"};
  EXPECT_EQ(walk(t, kByExactName), sensitive);
  std::vector<std::string> reversed(insensitive.rbegin(), insensitive.rend());
  EXPECT_EQ(walk(t, kByName, false), reversed);
}

TEST_F(KeyedCursorTest, CaseInsensitiveKeyFindsAnyCase) {
  Table& t = open(people());
  person(t, 1, "Pérez"_cp);
  t.clear();
  setFieldText(people().fields[kNombre], t.record(), "PÉREZ"_cp);
  EXPECT_EQ(t.fetch(kByName), 0);
  EXPECT_EQ(name(t), "Pérez"_cp);
  t.clear();
  setFieldText(people().fields[kNombre], t.record(), "PÉREZ"_cp);
  EXPECT_EQ(t.fetch(kByExactName), 35);
}

TEST_F(KeyedCursorTest, SkipEmptyKeysLeaveOutBlankRecordsAndRepeatZeroCodes) {
  Table& t = open(people());
  person(t, 0, "");
  person(t, 0, "Ana");
  person(t, 0, "   ");
  person(t, 7, "Bea");
  EXPECT_EQ(walk(t, kByName), (std::vector<std::string>{"Ana", "Bea"}));
  // The case-sensitive key of this table does not skip blanks.
  EXPECT_EQ(walk(t, kByExactName).size(), 4u);
  EXPECT_EQ(walk(t, kByCode), (std::vector<std::string>{"Bea"}));
  // A unique key refuses a repeated non-empty value and names the key.
  t.clear();
  setFieldNumber(people().fields[kCodigo], t.record(), 7);
  EXPECT_EQ(t.add(), 40);
  EXPECT_EQ(duplicateKeyIndex(), kByCode);
  EXPECT_EQ(t.records(), 4);
  // A zero code is not found through the key.
  t.clear();
  EXPECT_EQ(t.fetch(kByCode), 35);
}

TEST_F(KeyedCursorTest, DescendingComponentAndTiesInRecordOrder) {
  Table& t = open(people());
  person(t, 1, "a", 5, 100);
  person(t, 2, "b", 5, 300);
  person(t, 3, "c", 4, 100);
  person(t, 4, "d", 5, 200);
  person(t, 5, "e", 5, 300);
  EXPECT_EQ(walk(t, kByCityAge), (std::vector<std::string>{"c", "b", "e", "d", "a"}));
  EXPECT_EQ(walk(t, kByCityAge, false), (std::vector<std::string>{"a", "d", "e", "b", "c"}));
  // Set from the buffer: city 5, born 250 starts at the first record not after it.
  t.clear();
  setFieldNumber(people().fields[kCiudad], t.record(), 5);
  setFieldNumber(people().fields[kNacido], t.record(), 250);
  t.setFromBuffer(kByCityAge);
  ASSERT_EQ(t.next(), 0);
  EXPECT_EQ(name(t), "d");
  t.setFromBuffer(kByCityAge);
  setFieldNumber(people().fields[kNacido], t.record(), 300);
  t.setFromBuffer(kByCityAge);
  ASSERT_EQ(t.previous(), 0);
  EXPECT_EQ(name(t), "e");
}

TEST_F(KeyedCursorTest, RangeEndsAndDirectionChanges) {
  Table& t = open(people());
  person(t, 1, "a", 1);
  person(t, 2, "b", 2);
  person(t, 3, "c", 2);
  person(t, 4, "d", 2);
  person(t, 5, "e", 3);
  t.clear();
  setFieldNumber(people().fields[kCiudad], t.record(), 2);
  t.setToStart(kByCityAge);
  t.setRange(1);
  ASSERT_EQ(t.previous(), 0);
  EXPECT_EQ(name(t), "d");
  EXPECT_EQ(t.next(), 33);  // past the range's end: nothing more
  EXPECT_EQ(t.previous(), 0);
  EXPECT_EQ(name(t), "c");
  ASSERT_EQ(t.previous(), 0);
  EXPECT_EQ(name(t), "b");
  EXPECT_EQ(t.previous(), 33);
  ASSERT_EQ(t.next(), 0);
  EXPECT_EQ(name(t), "c");
  // Set from the buffer past every value of the range: next finds nothing,
  // previous the range's last record.
  setFieldNumber(people().fields[kNacido], t.record(), 0);
  t.setToStart(kByName);
  t.clear();
  setFieldText(people().fields[kNombre], t.record(), "zz");
  t.setFromBuffer(kByName);
  EXPECT_EQ(t.next(), 33);
  t.setFromBuffer(kByName);
  ASSERT_EQ(t.previous(), 0);
  EXPECT_EQ(name(t), "e");
  // Before the first: previous finds nothing, next the first.
  setFieldText(people().fields[kNombre], t.record(), "");
  t.setFromBuffer(kByName);
  EXPECT_EQ(t.previous(), 33);
  t.setFromBuffer(kByName);
  ASSERT_EQ(t.next(), 0);
  EXPECT_EQ(name(t), "a");
}

TEST_F(KeyedCursorTest, WalkSurvivesResetsAndWritesAndResumesFromItsKey) {
  Table& t = open(people());
  for (int i = 1; i <= 6; ++i) person(t, i, std::string(1, static_cast<char>('a' + i - 1)));
  t.setToStart(kByName);
  std::vector<std::string> seen;
  while (t.next() == 0) {
    seen.push_back(name(t));
    resetTableStatements();  // as when the fiber suspends
    if (name(t) == "c") {
      setFieldText(people().fields[kNombre], t.record(), "cc");
      ASSERT_EQ(t.put(), 0);
    }
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", "c", "cc", "d", "e", "f"}));
  // Reset to a record: both directions read it first.
  t.clear();
  setFieldNumber(people().fields[kCodigo], t.record(), 4);
  ASSERT_EQ(t.fetch(kByCode), 0);
  const std::int64_t pos = t.position();
  ASSERT_EQ(t.reset(kByName, pos), 0);
  ASSERT_EQ(t.next(), 0);
  EXPECT_EQ(name(t), "d");
  ASSERT_EQ(t.reset(kByName, pos), 0);
  ASSERT_EQ(t.previous(), 0);
  EXPECT_EQ(name(t), "d");
  ASSERT_EQ(t.previous(), 0);
  EXPECT_EQ(name(t), "cc");
}

TEST_F(KeyedCursorTest, PositionsAreNeverReused) {
  Table& t = open(people());
  person(t, 1, "a");
  person(t, 2, "b");
  person(t, 3, "c");
  const std::int64_t third = t.position();
  ASSERT_EQ(t.remove(), 0);
  person(t, 3, "c");
  EXPECT_GT(t.position(), third);
  EXPECT_EQ(t.fetchPosition(third), 35);
}

TEST_F(KeyedCursorTest, ViewFiltersRangesAndJoins) {
  Table& t = open(people());
  person(t, 1, "Ana", 2);
  person(t, 2, "Beto", 2);
  person(t, 3, "Carla", 2);
  person(t, 4, "Dora", 3);
  person(t, 5, "Luis", 0);
  // Joined on itself through another buffer: the city's code as a person code.
  static const TableDef other = secondCursorOf(people(), "Copia_Personas", "C_PER");
  Table& o = open(other);
  t.clear();
  setFieldNumber(people().fields[kCiudad], t.record(), 2);
  View v(people(), kByCityAge);
  v.setRange(1);
  v.setFilter([&] { return name(t) != "Beto"; });
  v.join(other, kByCode, {kCiudad});
  v.setToStart();
  std::vector<std::string> names, joined;
  while (v.next() == 0) {
    names.push_back(name(t));
    joined.push_back(name(o));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Ana", "Carla"}));
  EXPECT_EQ(joined, (std::vector<std::string>{"Beto", "Beto"}));
  EXPECT_EQ(v.records(), 2);
  // The primary buffer holds a stored record: a change writes through.
  v.setToStart();
  ASSERT_EQ(v.next(), 0);
  setFieldText(people().fields[kNombre], t.record(), "Anabel");
  EXPECT_EQ(t.put(), 0);
  o.close();
}

// Limits on the first free component read a stretch of the key: both ends
// included, in both directions, from a record's position, after a range's
// fixed component (here a descending one) and after a reset of the walk.
TEST_F(KeyedCursorTest, ViewLimitsReadAStretchOfTheKey) {
  Table& t = open(people());
  person(t, 1, "a", 1, 10);
  person(t, 2, "b", 2, 20);
  person(t, 3, "c", 2, 30);
  person(t, 4, "d", 3, 40);
  person(t, 5, "e", 4, 50);
  person(t, 6, "f", 5, 60);
  person(t, 7, "g", 3, 45);
  const auto names = [&](View& v, bool forward) {
    std::vector<std::string> seen;
    v.setToStart();
    while ((forward ? v.next() : v.previous()) == 0) {
      seen.push_back(name(t));
      resetTableStatements();  // as when the fiber suspends
    }
    return seen;
  };
  View cities(people(), kByCityAge);
  cities.setLimits(2, 4);
  EXPECT_EQ(names(cities, true), (std::vector<std::string>{"c", "b", "g", "d", "e"}));
  EXPECT_EQ(names(cities, false), (std::vector<std::string>{"e", "d", "g", "b", "c"}));
  EXPECT_EQ(cities.records(), 5);
  cities.setToStart();
  ASSERT_EQ(cities.next(), 0);
  ASSERT_EQ(cities.next(), 0);
  const std::int64_t second = cities.position();
  ASSERT_EQ(cities.reset(second), 0);
  ASSERT_EQ(cities.previous(), 0);
  EXPECT_EQ(name(t), "b");
  EXPECT_EQ(cities.previous(), 0);
  EXPECT_EQ(name(t), "c");
  EXPECT_EQ(cities.previous(), 33);

  t.clear();
  setFieldNumber(people().fields[kCiudad], t.record(), 3);
  View ages(people(), kByCityAge);
  ages.setRange(1);
  ages.setLimits(41, 60);
  EXPECT_EQ(names(ages, true), (std::vector<std::string>{"g"}));
  View none(people(), kByCityAge);
  none.setLimits(6, 9);
  EXPECT_EQ(none.records(), 0);
}

TEST_F(KeyedCursorTest, AppendedFieldsOrderEqualKeysInBothDirectionsAndAfterAReset) {
  Table& t = open(people());
  person(t, 7, "Perez", 1, 300);
  person(t, 2, "Perez", 1, 100);
  person(t, 5, "Perez", 1, 200);
  person(t, 9, "Alba", 1, 100);
  person(t, 3, "", 0, 0);  // the name key skips it, however it is ordered
  View v(people(), kByName, {{kNacido, true}, {kCodigo, false}});
  auto walk = [&](bool forward) {
    std::vector<std::int64_t> codes;
    v.setToStart();
    while ((forward ? v.next() : v.previous()) == 0) codes.push_back(number(t, kCodigo));
    return codes;
  };
  EXPECT_EQ(walk(true), (std::vector<std::int64_t>{9, 7, 5, 2}));
  EXPECT_EQ(walk(false), (std::vector<std::int64_t>{2, 5, 7, 9}));
  // Back at the middle Perez, the walk goes on from it either way.
  v.setToStart();
  ASSERT_EQ(v.next(), 0);
  ASSERT_EQ(v.next(), 0);
  ASSERT_EQ(v.next(), 0);
  const std::int64_t middle = v.position();
  ASSERT_EQ(v.reset(middle), 0);
  ASSERT_EQ(v.next(), 0);
  EXPECT_EQ(number(t, kCodigo), 5);
  ASSERT_EQ(v.next(), 0);
  EXPECT_EQ(number(t, kCodigo), 2);
  ASSERT_EQ(v.reset(middle), 0);
  ASSERT_EQ(v.previous(), 0);
  EXPECT_EQ(number(t, kCodigo), 5);
  ASSERT_EQ(v.previous(), 0);
  EXPECT_EQ(number(t, kCodigo), 7);
  EXPECT_EQ(v.order().components.size(), 3u);
}

TEST_F(KeyedCursorTest, ClosedTableRefusesWork) {
  Table& t = table(people());
  EXPECT_EQ(t.next(), 37);
  EXPECT_EQ(t.add(), 37);
  // Closing the files closes every table: uses do not carry over to the next files.
  ASSERT_EQ(t.open(), 0);
  closeDatabase();
  EXPECT_FALSE(t.isOpen());
  ASSERT_EQ(openDatabase(folder_ / "elsewhere", {&plainFile(), &secretFile()}), 2);
  std::filesystem::create_directories(folder_ / "elsewhere");
  ASSERT_EQ(openDatabase(folder_ / "elsewhere", {&plainFile(), &secretFile()}), 0);
  EXPECT_EQ(t.add(), 37);
  ASSERT_EQ(t.open(), 0);
  EXPECT_EQ(t.add(), 0);
}

}  // namespace
}  // namespace rt::testing

namespace rt::testing {
namespace {

TEST_F(KeyedCursorTest, ReopeningAfterCloseMidWalkFindsNoLockLeft) {
  Table& t = open(people());
  person(t, 1, "a");
  person(t, 2, "b");
  t.setToStart(kByName);
  ASSERT_EQ(t.next(), 0);
  t.close();
  closeDatabase();
  ASSERT_EQ(openDatabase(folder_, {&plainFile(), &secretFile()}), 0);
  ASSERT_EQ(t.open(), 0);
  EXPECT_EQ(beginTransaction(), 0);
  person(t, 3, "c");
  EXPECT_EQ(commitTransaction(), 0);
  t.setToStart(kByName);
  ASSERT_EQ(t.next(), 0);
  EXPECT_EQ(name(t), "a");
}

}  // namespace
}  // namespace rt::testing

namespace rt::testing {
namespace {

TEST_F(KeyedCursorTest, ViewFilterExpressionReadsFieldsMemosAndJoinedTables) {
  Table& t = open(people());
  person(t, 1, "Ana", 2, 82000);
  t.buffer().memo(0) = "alérgica"_cp;
  ASSERT_EQ(t.put(), 0);
  person(t, 2, "Beto", 1, 81000);
  person(t, 3, "Carla", 1, 82500);
  static const TableDef other = secondCursorOf(people(), "Copia_Personas", "C_PER");
  Table& o = open(other);
  View v(people(), kByName);
  v.join(other, kByCode, {kCiudad});
  BindingTable globals;
  double limit = 81500;
  globals.bind("GLO:Limite", Binding::numberAt(&limit));
  ASSERT_EQ(v.setFilter("per:Nacido > GLO:Limite AND C_PER:Nombre = 'Beto'", &globals).code, 0);
  std::vector<std::string> names;
  v.setToStart();
  while (v.next() == 0) names.push_back(name(t));
  EXPECT_EQ(names, (std::vector<std::string>{"Ana"}));  // Carla was born later but joins Ana

  ASSERT_EQ(v.setFilter("INSTRING('alérg', PER:Notas)"_cp).code, 0);
  EXPECT_EQ(v.records(), 1);
  // A filter on the primary record alone is tested before the joins are
  // read; the record it accepts still comes with its joined record.
  ASSERT_EQ(v.setFilter("PER:Nombre = 'Carla'").code, 0);
  v.setToStart();
  ASSERT_EQ(v.next(), 0);
  EXPECT_EQ(name(t), "Carla");
  EXPECT_EQ(name(o), "Ana");
  EXPECT_EQ(v.next(), 33);
  // An unknown name compiles to an error and lets nothing through.
  EXPECT_EQ(v.setFilter("PER:NoExiste = 1").code, ExpressionError::kUnknownName);
  EXPECT_EQ(v.records(), 0);
  o.close();
}

}  // namespace
}  // namespace rt::testing

namespace rt::testing {
namespace {

TEST_F(KeyedCursorTest, NumberingTakesTheHighestPlusOneWithinEarlierComponents) {
  Table& t = open(people());
  t.clear();
  ASSERT_EQ(t.addNumbered(), 0);
  EXPECT_EQ(number(t, kCodigo), 1);
  person(t, 2, "b");
  person(t, 5, "e");
  t.clear();
  ASSERT_EQ(t.addNumbered(), 0);
  EXPECT_EQ(number(t, kCodigo), 6);
  EXPECT_FALSE(transactionIsOpen());

  static const TableDef items = TableBuilder("Items", "ITM", "ITEMS", plainFile(), 1)
                                    .field<Long>("Grupo")
                                    .field<Short>("Item")
                                    .key("ITM01", "Grupo,Item", KeyKind::Primary, true, "Por Id", 2)
                                    .build();
  Table& i = open(items);
  auto addItem = [&](int group) {
    i.clear();
    setFieldNumber(items.fields[0], i.record(), group);
    EXPECT_EQ(i.addNumbered(), 0);
    return fieldNumber(items.fields[1], i.record());
  };
  EXPECT_EQ(addItem(7), 1);
  EXPECT_EQ(addItem(7), 2);
  EXPECT_EQ(addItem(3), 1);
  EXPECT_EQ(addItem(7), 3);
  i.close();
}

}  // namespace
}  // namespace rt::testing
