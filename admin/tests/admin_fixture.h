#pragma once
// A fresh practice database in the working folder for each test, records of
// any table made from a number, folders of the test's own, and a file's bytes
// and pages, read and damaged.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/tables/data_files.h"
#include "core/tables/table_registration.h"
#include "platform/base/paths.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/connection.h"
#include "platform/data/database.h"
#include "platform/data/record_buffer.h"
#include "platform/data/table.h"
#include "platform/data/table_sql.h"
#include "platform/ui/testing/pdf_probe.h"
#include "platform/ui/testing/window_test_kit.h"

namespace admin {

// The bytes of a file.
inline std::string slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs SQL on a data file with the program's collations: SQLite's code.
inline int execOn(const std::filesystem::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open(file.c_str(), &db);
  rt::sql::registerCollations(db);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return rc;
}

// What the sqlite3 program reads of a file: an independent reader.
inline std::string sqliteSays(const std::filesystem::path& file, const std::string& sql) {
  return rt::testing::commandOutput("sqlite3 '" + file.string() + "' \"" + sql + "\" 2>&1");
}

inline long sqliteNumber(const std::filesystem::path& file, const std::string& sql) {
  const std::string text = sqliteSays(file, sql);
  return text.empty() ? -1 : std::stol(text);
}

inline void overwrite(const std::filesystem::path& file, long offset, const std::string& bytes) {
  std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
  out.seekp(offset);
  out << bytes;
}

// The leaf page holding most of a table's rows, as SQLite counts them.
inline long fullestLeaf(const std::filesystem::path& file, const std::string& table) {
  return sqliteNumber(file, "SELECT pageno FROM dbstat WHERE name = '" + table +
                                "' AND pagetype = 'leaf' ORDER BY ncell DESC LIMIT 1");
}

class AdminFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::closeDatabase();
    for (const char* name : {"Varneta.dat", "VarnetaC.dat", "VarnetaA.dat"}) {
      std::filesystem::remove(rt::workingFolder() / name);
    }
    ASSERT_EQ(core::openPracticeDatabase(rt::workingFolder()), 0);
    // As the program's start leaves them: every table stored.
    ASSERT_EQ(core::openAllTables(), 0);
  }
  void TearDown() override { rt::closeDatabase(); }

  // An empty folder of this test's own.
  static std::filesystem::path scratch(const std::string& name) {
    static int n = 0;
    const std::filesystem::path folder =
        rt::testing::testRoot() / (name + "-" + std::to_string(++n));
    std::filesystem::create_directories(folder);
    return folder;
  }

  // Records numbered `from` to `to`: every number field holds the number,
  // every text field `text` and the number.
  static void addRecords(const rt::TableDef& def, int from, int to, const std::string& text = "R") {
    rt::Table& t = rt::table(def);
    ASSERT_EQ(t.open(), 0) << def.label;
    for (int i = from; i <= to; ++i) {
      t.clear();
      for (const rt::FieldDef& f : def.fields) {
        if (rt::isTextField(f)) {
          rt::setFieldText(f, t.record(), text + std::to_string(i));
        } else {
          rt::setFieldNumber(f, t.record(), i);
        }
      }
      ASSERT_EQ(t.add(), 0) << def.label << " " << i;
    }
  }

  // The same record as SQL, for another process.
  static std::string insertSql(const rt::TableDef& def, const std::string& schema, int i) {
    std::string columns, values;
    for (const rt::FieldDef& f : def.fields) {
      columns += (columns.empty() ? "" : ", ") + rt::sql::quoteName(f.column);
      values += (values.empty() ? "" : ", ") +
                (rt::isTextField(f) ? "'R" + std::to_string(i) + "'" : std::to_string(i));
    }
    return "INSERT INTO " + schema + "." + rt::sql::quoteName(def.storageName) + " (" + columns +
           ") VALUES (" + values + ")";
  }

  static std::int64_t count(const rt::TableDef& def) {
    rt::Table& t = rt::table(def);
    if (!t.isOpen()) t.open();
    return t.records();
  }

  // The files of `folder`; those missing (a folder holding a copy of the
  // plain file only) are created.
  static void reopenIn(const std::filesystem::path& folder) {
    rt::closeDatabase();
    ASSERT_EQ(core::openPracticeDatabase(folder, true), 0) << folder;
  }

  rt::testing::Watchdog watchdog_{std::chrono::seconds(120)};
};

}  // namespace admin
