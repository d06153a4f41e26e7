#include "platform/base/thread_timer.h"

#include <memory>
#include <utility>

#include "platform/base/logical_threads.h"

namespace rt {
namespace {

TimerHook& timerHook() {
  static TimerHook hook;
  return hook;
}

}  // namespace

TimerHook setTimerHook(TimerHook hook) { return std::exchange(timerHook(), std::move(hook)); }

void waitOnTimer(int milliseconds) {
  if (!onLogicalThread()) return;
  const ThreadNumber thread = currentThreadNumber();
  // Shared with the timer, which may fire after the thread has been unwound.
  auto fired = std::make_shared<bool>(false);
  std::function<void()> fire = [fired, thread] {
    *fired = true;
    wakeThread(thread);
  };
  // Without an event loop to drive timers the wait ends at once.
  if (!timerHook()) return;
  timerHook()(milliseconds, std::move(fire));
  while (!*fired) suspendCurrentThread();
}

}  // namespace rt
