// An event posted from another OS thread reaches its logical thread through
// the event loop, with nobody asking for delivery.
#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "platform/base/cross_thread_posts.h"
#include "platform/base/logical_threads.h"
#include "platform/ui/testing/window_test_kit.h"

namespace rt {
namespace {

TEST(CrossThreadDelivery, TheLoopDeliversPostsFromOtherThreads) {
  noteWindowOpened();
  std::thread([] { postFromAnyThread(4321, kMainThread, 5); }).join();
  std::optional<PostedEvent> event;
  EXPECT_TRUE(testing::waitUntil([&] { return (event = takePostedEvent()).has_value(); },
                                 "the posted event"));
  ASSERT_TRUE(event);
  EXPECT_EQ(event->event, 4321);
  EXPECT_EQ(event->control, 5);
  noteWindowClosed();
}

}  // namespace
}  // namespace rt
