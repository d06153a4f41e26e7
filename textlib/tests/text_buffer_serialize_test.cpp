#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/debug_sink.h"
#include "platform/base/runtime_errors.h"
#include "textlib/text_buffer.h"

namespace textlib {
namespace {

using Field = TextBuffer::RecordField;
using Record = TextBuffer::RecordImage;

Field text(std::string value) { return Field{{std::move(value)}, {}, false}; }

TEST(Serialize, QueueOfRecords) {
  const std::vector<Record> queue = {{text("1"), text("x  ")}, {text("2"), text("y,z")}};
  TextBuffer b;
  b.SerializeQueue(queue);
  EXPECT_EQ(b.GetValue(), "1,x\r\n2,y,z");
  b.SerializeQueue(queue, {}, {}, "#", {}, 1, 1);
  EXPECT_EQ(b.GetValue(), "1,x\r\n2,#y,z#");
  b.SerializeQueue(queue, "|", ";", {}, {}, 1, 1, 1);
  EXPECT_EQ(b.GetValue(), "\"1\";\"x\"|\"2\";\"y,z\"");
}

TEST(Serialize, NestedRecordsAndArraysUseTheirLevel) {
  const Record record = {text("a"), Field{{}, {text("b c"), Field{{"1", "2"}, {}, false}}, true},
                         text("d")};
  TextBuffer b;
  b.SetValue("keep:");
  // Level 1 separates with ";", level 2 with " "; quotes "<" at level 1, "[" ... "]" at 2.
  const int count = b.SerializeGroup(record, ";I ", "<[", ">]");
  EXPECT_EQ(b.GetValue(), "keep:a;[b c] 1 2;d");
  // a, the nested record, its two fields, d.
  EXPECT_EQ(count, 6);
  b.SerializeGroup(record, {}, {}, {}, 0, 1);
  EXPECT_EQ(b.GetValue(), "a,b c,1,2,d");
}

TEST(Serialize, TraceQueueKeepsTheErrorState) {
  rt::setError(35);
  rt::DebugCapture capture;
  TextBuffer::TraceQueue({{text("1"), text("x")}, {text("2"), text("y")}});
  EXPECT_EQ(capture.lines(),
            (std::vector<std::string>{"[tb][1] Records in Queue: 2", "[tb][1] 1,x\r\n2,y"}));
  EXPECT_EQ(rt::errorCode(), 35);
  rt::clearError();
}

}  // namespace
}  // namespace textlib
