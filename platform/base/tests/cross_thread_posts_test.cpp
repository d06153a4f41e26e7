// Events posted from other OS threads wait in the inbox until the main context
// delivers them to their logical threads.
#include "platform/base/cross_thread_posts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/base/logical_threads.h"

namespace rt {
namespace {

TEST(CrossThreadPosts, WorkersPostsReachTheThreadWhenDelivered) {
  std::atomic<int> notified = 0;
  CrossThreadNotifier previous = setCrossThreadNotifier([&] { ++notified; });
  noteWindowOpened();  // thread 1 (the main context) takes posted events

  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w) {
    workers.emplace_back([w] {
      for (int i = 0; i < 250; ++i) postFromAnyThread(1000 + w, kMainThread, i);
    });
  }
  for (std::thread& worker : workers) worker.join();
  EXPECT_FALSE(takePostedEvent()) << "nothing reaches the thread before delivery";
  EXPECT_GE(notified.load(), 1);
  EXPECT_LE(notified.load(), 1000) << "one notice per batch at most";

  EXPECT_EQ(deliverCrossThreadPosts(), 1000);
  std::vector<int> lastControl(4, -1);
  int taken = 0;
  while (auto event = takePostedEvent()) {
    const int worker = event->event - 1000;
    ASSERT_GE(worker, 0);
    EXPECT_EQ(event->control, lastControl[static_cast<std::size_t>(worker)] + 1) << "in order";
    lastControl[static_cast<std::size_t>(worker)] = event->control;
    ++taken;
  }
  EXPECT_EQ(taken, 1000);

  // After delivery the next post notifies again; a thread without windows drops it.
  const int before = notified.load();
  std::thread([] { postFromAnyThread(7, 999); }).join();
  EXPECT_EQ(notified.load(), before + 1);
  EXPECT_EQ(deliverCrossThreadPosts(), 1);
  EXPECT_FALSE(takePostedEvent());

  noteWindowClosed();
  setCrossThreadNotifier(previous);
}

}  // namespace
}  // namespace rt
