// Each logical thread has its own buffers and positions on the shared tables.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/base/logical_threads.h"
#include "platform/data/tests/test_tables.h"

namespace rt::testing {
namespace {

class ThreadTablesTest : public DataTest {
 protected:
  void TearDown() override {
    runPendingCalls();
    endAllThreads();
    DataTest::TearDown();
  }
};

TEST_F(ThreadTablesTest, SecondThreadsWriteOverARecordChangedByTheFirstIsRefused) {
  Table& mine = open(people());
  person(mine, 1, "Original");
  int otherPut = -1;
  std::string otherSaw;
  const ThreadNumber other = start([&] {
    Table& t = table(people());
    EXPECT_NE(&t, &mine);
    ASSERT_EQ(t.open(), 0);
    setFieldNumber(people().fields[kCodigo], t.record(), 1);
    ASSERT_EQ(t.fetch(kByCode), 0);
    suspendCurrentThread();
    setFieldText(people().fields[kNombre], t.record(), "Del hilo");
    otherPut = t.put();
    otherSaw = DataTest::name(t);
    t.close();
  });
  runPendingCalls();  // the other thread has read the record and waits
  EXPECT_EQ(name(mine), "Original");
  setFieldText(people().fields[kNombre], mine.record(), "Del principal");
  ASSERT_EQ(mine.put(), 0);
  wakeThread(other);
  runPendingCalls();
  EXPECT_EQ(otherPut, error::RecordChanged);
  EXPECT_EQ(otherSaw, "Del principal");
  EXPECT_EQ(errorCode(), 0);  // the error belongs to the other thread
}

TEST_F(ThreadTablesTest, SuspendedWalkResumesFromItsKeyAfterAnotherThreadsWrites) {
  Table& mine = open(people());
  for (const char* n : {"a", "c", "e", "g"}) person(mine, 0, n);
  std::vector<std::string> walked;
  const ThreadNumber other = start([&] {
    Table& t = table(people());
    ASSERT_EQ(t.open(), 0);
    t.setToStart(kByName);
    while (t.next() == 0) {
      walked.push_back(DataTest::name(t));
      suspendCurrentThread();  // lets go of the walk's statement first
    }
    t.close();
  });
  runPendingCalls();
  ASSERT_EQ(walked, (std::vector<std::string>{"a"}));
  // The idle walk holds no read lock: another workstation can write at once.
  sqlite3* workstation = nullptr;
  ASSERT_EQ(sqlite3_open((folder_ / "Varneta.dat").c_str(), &workstation), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(workstation, "BEGIN EXCLUSIVE; ROLLBACK;", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(workstation);
  person(mine, 0, "0");  // behind the walk: not met
  person(mine, 0, "d");  // ahead of it: met
  setFieldText(people().fields[kNombre], mine.record(), "c");
  ASSERT_EQ(mine.fetch(kByName), 0);
  ASSERT_EQ(mine.remove(), 0);
  for (int i = 0; i < 6; ++i) {
    wakeThread(other);
    runPendingCalls();
  }
  EXPECT_EQ(walked, (std::vector<std::string>{"a", "d", "e", "g"}));
}

}  // namespace
}  // namespace rt::testing
