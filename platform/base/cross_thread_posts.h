#pragma once
// Events posted to a logical thread from another OS thread (the socket
// library's I/O thread, workers). Logical threads live on the main context and
// are not safe to touch from elsewhere, so such posts wait in a locked inbox
// until the main context delivers them with post() (logical_threads.h).
#include <functional>

#include "platform/base/logical_threads.h"

namespace rt {

// Safe from any OS thread. Queues the event and, when the inbox was empty,
// calls the notifier so that the main context delivers it soon.
void postFromAnyThread(int event, ThreadNumber thread, int control = 0);

// Runs on the main context: posts every queued event to its thread (an event
// for a thread that shows no window is dropped, as post() drops it). Returns
// how many were taken from the inbox.
int deliverCrossThreadPosts();

// The notifier is called from the posting OS thread and must be safe there:
// the window layer installs one that queues deliverCrossThreadPosts() on the
// event loop. Without one (tools, plain tests) the inbox waits for an explicit
// deliverCrossThreadPosts(). Returns the notifier it replaces.
using CrossThreadNotifier = std::function<void()>;
CrossThreadNotifier setCrossThreadNotifier(CrossThreadNotifier notifier);

}  // namespace rt
