// A memo longer than its limit is refused by the table layer, on an add and
// on a change, and nothing of it is stored: a memo is never cut.
#include <gtest/gtest.h>

#include "platform/data/tests/test_tables.h"

namespace rt::testing {
namespace {

using MemoLimitTest = DataTest;

TEST_F(MemoLimitTest, AMemoOverItsLimitIsRefusedWholeAndOneAtItIsStored) {
  Table& t = open(people());
  const std::string atLimit(100, 'a');
  const std::string overLimit = atLimit + "b";

  t.clear();
  setFieldText(people().fields[kNombre], t.record(), "Ana");
  t.buffer().memo(0) = overLimit;
  EXPECT_EQ(t.add(), error::DriverError);
  EXPECT_EQ(fileErrorCode(), std::to_string(SQLITE_TOOBIG));
  EXPECT_NE(fileError().find("PER:Notas"), std::string::npos) << fileError();
  EXPECT_EQ(t.records(), 0) << "nothing stored";
  EXPECT_EQ(t.buffer().memo(0), overLimit) << "the buffer keeps the text";

  t.buffer().memo(0) = atLimit;
  ASSERT_EQ(t.addNumbered(), 0);
  const std::int64_t position = t.position();
  t.buffer().memo(0) = overLimit;
  EXPECT_EQ(t.put(), error::DriverError);
  t.buffer().memo(0) = overLimit + overLimit;
  EXPECT_EQ(t.addNumbered(), error::DriverError);
  EXPECT_EQ(t.records(), 1);

  ASSERT_EQ(t.fetchPosition(position), 0);
  EXPECT_EQ(t.buffer().memo(0), atLimit) << "the stored memo is untouched";
}

}  // namespace
}  // namespace rt::testing
