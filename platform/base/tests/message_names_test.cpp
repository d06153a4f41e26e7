#include "platform/base/message_names.h"

#include <gtest/gtest.h>

#include "platform/base/assertions.h"
#include "platform/base/debug_sink.h"
#include "platform/base/events.h"

namespace rt {
namespace {

TEST(MessageNames, EventsAreNamedFromTheirBaseOn) {
  EXPECT_EQ(nameMessage(kEventMessageBase + event::Accepted), "EVENT:Accepted");
  EXPECT_EQ(nameMessage(kEventMessageBase + event::CloseWindow), "EVENT:CloseWindow");
  EXPECT_EQ(nameMessage(kEventMessageBase + event::User), "EVENT:User");
  EXPECT_EQ(nameMessage(event::Accepted), "0x0001") << "not an event without the base";
  EXPECT_EQ(nameMessage(kEventMessageBase), "0xA000");
  EXPECT_EQ(nameMessage(0x12345), "0x12345");
}

TEST(Assertions, AFailureReachesTheHookOrElseTheDebugOutput) {
  DebugCapture capture;
  assertionFailed(7, "a.cpp", "x > 0");
  std::vector<std::string> seen;
  AssertHook previous = setAssertHook([&](int line, std::string_view source, std::string_view m) {
    seen.push_back(std::to_string(line) + " " + std::string(source) + " " + std::string(m));
    setAssertHook({});  // a hook may clear itself while it runs
  });
  EXPECT_FALSE(previous);
  EXPECT_TRUE(assertHookInstalled());
  assertionFailed(8, "b.cpp", "y");
  EXPECT_FALSE(assertHookInstalled());
  EXPECT_EQ(seen, std::vector<std::string>{"8 b.cpp y"});
  EXPECT_EQ(capture.lines(), std::vector<std::string>{"Assertion failed in [a.cpp] @[7]: x > 0"});
}

}  // namespace
}  // namespace rt
