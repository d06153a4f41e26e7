#pragma once
// Logical threads: each main window runs on a logical thread of its own (a
// fiber on the GUI thread), with its own number, record buffers, request bytes
// and error state. Thread 1 is the main program.
#include <functional>

namespace rt {

using ThreadNumber = int;
constexpr ThreadNumber kMainThread = 1;

// The logical thread the caller runs on.
ThreadNumber currentThreadNumber();

// Per-thread state of other layers (table instances, managers) is made and
// removed through these hooks: onStart runs on each logical thread before its
// procedure, onEnd on each ending thread. Hooks run in registration order on
// start and in reverse order on end.
using ThreadHook = std::function<void(ThreadNumber)>;
void addThreadHooks(ThreadHook onStart, ThreadHook onEnd);

}  // namespace rt
