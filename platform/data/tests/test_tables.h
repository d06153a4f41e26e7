#pragma once
// Small tables for the table layer's tests, and a fixture with a fresh data
// folder per test.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/data/table.h"
#include "platform/data/table_status.h"

namespace rt::testing {

inline const DataFile& plainFile() {
  static const DataFile f{"Varneta.dat", ""};
  return f;
}
inline const DataFile& secretFile() {
  static const DataFile f{"VarnetaC.dat", "k3y9pass1"};
  return f;
}

// People: a code (auto-numbered, skips empty), a name in two keys (one per
// case kind), a city code, a birth date and notes.
inline const TableDef& people() {
  static const TableDef def =
      TableBuilder("Personas", "PER", "PERSONAS", plainFile(), 1)
          .field<UShort>("Codigo")
          .field<String<30>>("Nombre")
          .field<ULong>("Ciudad")
          .field<DateField>("Nacido")
          .key("PER01", "Codigo", KeyKind::Primary, true, "Codigo", 1)
          .key("PER02", "Nombre", KeyKind::Duplicates, true, "Nombre")
          .key("PER03", "Nombre", KeyKind::Duplicates, false, "Nombre exacto")
          .key("PER04", "Ciudad,-Nacido", KeyKind::Duplicates, true, "Ciudad y edad")
          .memo("Notas", 100)
          .build();
  return def;
}
enum PeopleField { kCodigo, kNombre, kCiudad, kNacido };
enum PeopleKey { kByCode, kByName, kByExactName, kByCityAge };

// A table in the encrypted file.
inline const TableDef& secrets() {
  static const TableDef def = TableBuilder("Secretos", "SEC", "SECRETOS", secretFile(), 1)
                                  .field<ULong>("Codigo")
                                  .field<String<20>>("Texto")
                                  .key("SEC01", "Codigo", KeyKind::Primary, true, "Codigo", 1)
                                  .build();
  return def;
}

class DataTest : public ::testing::Test {
 public:
  void SetUp() override {
    folder_ = rt::testing::freshFolder("data");
    std::filesystem::create_directories(folder_);
    ASSERT_EQ(openDatabase(folder_, {&plainFile(), &secretFile()}), 0);
  }
  void TearDown() override {
    table(people()).close();
    table(secrets()).close();
    closeDatabase();
  }

  static Table& open(const TableDef& def) {
    Table& t = table(def);
    EXPECT_EQ(t.open(), 0);
    return t;
  }
  static void person(Table& t, int code, const std::string& name, std::int64_t city = 0,
                     std::int64_t born = 0) {
    const TableDef& d = t.def();
    t.clear();
    setFieldNumber(d.fields[kCodigo], t.record(), code);
    setFieldText(d.fields[kNombre], t.record(), name);
    setFieldNumber(d.fields[kCiudad], t.record(), city);
    setFieldNumber(d.fields[kNacido], t.record(), born);
    ASSERT_EQ(t.add(), 0) << name;
  }
  static std::string name(Table& t) {
    return std::string(clip(fieldText(t.def().fields[kNombre], t.record())));
  }
  static std::int64_t number(Table& t, int field) {
    return fieldNumber(t.def().fields[field], t.record());
  }

  std::filesystem::path folder_;
};

}  // namespace rt::testing
