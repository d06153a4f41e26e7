// Every query a walk or a fetch runs reads through its key's index: no
// full scan of the table and no sort.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/data/connection.h"
#include "platform/data/tests/test_tables.h"

namespace rt::testing {
namespace {

using QueryPlanTest = DataTest;

int collectSql(unsigned, void* context, void* statement, void*) {
  auto* seen = static_cast<std::set<std::string>*>(context);
  const std::string text = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
  if (text.rfind("SELECT _id, _rv", 0) == 0 || text.rfind("SELECT max(", 0) == 0)
    seen->insert(text);
  return 0;
}

// What SQLite's planner says it does for the query, step after step.
std::string planOf(sqlite3* db, const std::string& query) {
  sql::Statement plan(db, "EXPLAIN QUERY PLAN " + query);
  EXPECT_TRUE(plan.valid()) << query;
  std::string details;
  while (plan.valid() && plan.step() == SQLITE_ROW) {
    details += reinterpret_cast<const char*>(sqlite3_column_text(plan.get(), 3));
    details += "; ";
  }
  return details;
}

TEST_F(QueryPlanTest, WalksAndFetchesUseTheKeysIndexes) {
  Table& t = open(people());
  person(t, 1, "Ana", 2, 10);
  person(t, 2, "Beto", 2, 20);
  std::set<std::string> seen;
  sqlite3* db = sql::Connection::get().db();
  sqlite3_trace_v2(db, SQLITE_TRACE_STMT, collectSql, &seen);
  for (int key : {kByCode, kByName, kByExactName, kByCityAge}) {
    t.setToStart(key);
    t.next();
    t.previous();
    t.setFromBuffer(key);
    t.next();
    t.previous();
    t.setRange(1);
    t.next();
    t.next();
    resetTableStatements();
    t.next();
    t.previous();
    t.fetch(key);
  }
  sqlite3_trace_v2(db, 0, nullptr, nullptr);
  EXPECT_GE(seen.size(), 16u);
  for (const std::string& query : seen) {
    const std::string details = planOf(db, query);
    // A unique key with every component fixed holds at most one record to sort.
    const bool oneRecord = query.find("ORDER BY _id") != std::string::npos;
    if (!oneRecord) {
      EXPECT_EQ(details.find("TEMP B-TREE"), std::string::npos) << query << "\n" << details;
    }
    EXPECT_NE(details.find("USING INDEX"), std::string::npos) << query << "\n" << details;
  }
}

// A new number is the key's highest plus one: read from the key's index
// (the last entry of its stretch), never by scanning the records, also when
// the key skips empty values and numbers within a leading component.
TEST_F(QueryPlanTest, NumberingReadsTheHighestFromTheKeysIndex) {
  static const TableDef items = TableBuilder("Items", "ITM", "ITEMS", plainFile(), 1)
                                    .field<Long>("Grupo")
                                    .field<Short>("Item")
                                    .key("ITM01", "Grupo,Item", KeyKind::Primary, true, "Por Id", 2)
                                    .build();
  Table& t = open(people());
  Table& i = open(items);
  std::set<std::string> seen;
  sqlite3* db = sql::Connection::get().db();
  sqlite3_trace_v2(db, SQLITE_TRACE_STMT, collectSql, &seen);
  t.clear();
  EXPECT_EQ(t.addNumbered(), 0);
  i.clear();
  EXPECT_EQ(i.addNumbered(), 0);
  sqlite3_trace_v2(db, 0, nullptr, nullptr);
  i.close();
  int numbering = 0;
  for (const std::string& query : seen) {
    if (query.rfind("SELECT max(", 0) != 0) continue;
    ++numbering;
    const std::string details = planOf(db, query);
    EXPECT_EQ(details.find("SCAN"), std::string::npos) << query << "\n" << details;
    EXPECT_NE(details.find("INDEX"), std::string::npos) << query << "\n" << details;
  }
  EXPECT_EQ(numbering, 2);
}

}  // namespace
}  // namespace rt::testing
