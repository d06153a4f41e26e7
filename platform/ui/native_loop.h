#pragma once
// Short native loops (a file dialog, a print dialog) on behalf of a logical
// thread. Such a dialog runs Qt's own nested event loop, which must not run on
// a thread's fiber (the loop would resume other threads from inside it), so it
// runs on the main context while the calling thread waits, its windows
// disabled as under a window of its own.
#include <functional>

namespace rt {

// Runs `loop` on the main context and returns once it has returned. On the
// main context it runs at once. `loop` must own what it touches: the waiting
// thread may be ended (a halt) while the dialog is still open.
void runNativeLoop(std::function<void()> loop);

}  // namespace rt
