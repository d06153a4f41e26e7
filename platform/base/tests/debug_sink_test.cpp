#include "platform/base/debug_sink.h"

#include <gtest/gtest.h>

namespace {

TEST(DebugSink, CapturesLinesWithoutTheirBreaks) {
  rt::DebugCapture outer;
  rt::debugOutput("uno\r\n");
  {
    rt::DebugCapture inner;
    rt::debugOutput("dos");
    EXPECT_EQ(inner.lines(), std::vector<std::string>{"dos"});
  }
  rt::debugOutput("tres\n");
  EXPECT_EQ(outer.lines(), (std::vector<std::string>{"uno", "tres"}));
}

}  // namespace
