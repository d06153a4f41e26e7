#pragma once
// A logical thread that must wait a while (another workstation holds a lock)
// suspends and is woken by a timer, so the GUI thread never sleeps. The
// window layer drives the timers from the event loop; without it (tools,
// plain tests) a wait ends at once. Tests may install their own hook to
// control the firing.
#include <functional>

namespace rt {

// Arranges for `fire` to run on the main context after about `milliseconds`.
using TimerHook = std::function<void(int milliseconds, std::function<void()> fire)>;
TimerHook setTimerHook(TimerHook hook);

// Suspends the calling logical thread for about `milliseconds`. On the main
// context there is nothing to suspend and it returns at once.
void waitOnTimer(int milliseconds);

}  // namespace rt
