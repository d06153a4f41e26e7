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
  if (text.rfind("SELECT _id, _rv", 0) == 0) seen->insert(text);
  return 0;
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
    sql::Statement plan(db, "EXPLAIN QUERY PLAN " + query);
    ASSERT_TRUE(plan.valid()) << query;
    std::string details;
    while (plan.step() == SQLITE_ROW) {
      details += reinterpret_cast<const char*>(sqlite3_column_text(plan.get(), 3));
      details += "; ";
    }
    // A unique key with every component fixed holds at most one record to sort.
    const bool oneRecord = query.find("ORDER BY _id") != std::string::npos;
    if (!oneRecord) {
      EXPECT_EQ(details.find("TEMP B-TREE"), std::string::npos) << query << "\n" << details;
    }
    EXPECT_NE(details.find("USING INDEX"), std::string::npos) << query << "\n" << details;
  }
}

}  // namespace
}  // namespace rt::testing
