#pragma once
// Long work (copying data files, rebuilding keys, running an archiver) runs
// on an OS thread of its own while the calling logical thread waits for it on
// a timer, so no window of any thread freezes. The work must not touch
// widgets, globals of the program or the windows' database connection.
#include <functional>

namespace rt {

// Runs `work` on a worker and returns when it has ended; an exception thrown
// by the work is thrown again here. While it runs, the calling logical thread
// wakes every `pollMs` and runs `poll` (to show progress); on the main
// context, or without an event loop, the caller simply waits.
void awaitWorker(std::function<void()> work, std::function<void()> poll = {}, int pollMs = 50);

}  // namespace rt
