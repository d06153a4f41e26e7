// A logical thread waiting on a timer leaves the event loop running.
#include "platform/base/thread_timer.h"

#include <gtest/gtest.h>

#include <QTimer>

#include "platform/base/logical_threads.h"
#include "platform/ui/testing/window_test_kit.h"

namespace rt {
namespace {

TEST(ThreadTimer, AWaitingThreadSuspendsWhileTheLoopRunsAndResumesWhenItsTimerFires) {
  bool loopRan = false, sawLoop = false, ended = false;
  start([&] {
    QTimer::singleShot(0, [&loopRan] { loopRan = true; });
    waitOnTimer(30);
    sawLoop = loopRan;
    ended = true;
  });
  ASSERT_TRUE(testing::waitUntil([&] { return ended; }, "the waiting thread to resume"));
  EXPECT_TRUE(sawLoop);
}

TEST(ThreadTimer, TheMainContextHasNothingToSuspendAndGoesOn) {
  bool fired = false;
  TimerHook previous = setTimerHook([&fired](int, std::function<void()>) { fired = true; });
  waitOnTimer(10000);
  setTimerHook(std::move(previous));
  EXPECT_FALSE(fired);
}

}  // namespace
}  // namespace rt
