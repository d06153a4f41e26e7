#include "platform/base/worker.h"

#include <atomic>
#include <exception>
#include <memory>
#include <thread>

#include "platform/base/logical_threads.h"
#include "platform/base/thread_timer.h"

namespace rt {

void awaitWorker(std::function<void()> work, std::function<void()> poll, int pollMs) {
  struct Shared {
    std::atomic<bool> done{false};
    std::exception_ptr failure;
  };
  auto shared = std::make_shared<Shared>();
  std::thread worker([shared, work = std::move(work)] {
    try {
      work();
    } catch (...) {
      shared->failure = std::current_exception();
    }
    shared->done.store(true, std::memory_order_release);
  });
  // The worker is joined however this wait ends (a halt unwinds the fiber
  // through here): a thread left joinable would end the process.
  struct Joiner {
    std::thread& t;
    ~Joiner() {
      if (t.joinable()) t.join();
    }
  } joiner{worker};
  if (onLogicalThread()) {
    while (!shared->done.load(std::memory_order_acquire)) {
      waitOnTimer(pollMs);
      if (poll) poll();
      // waitOnTimer returns at once without an event loop: wait here then.
      if (!shared->done.load(std::memory_order_acquire)) std::this_thread::yield();
    }
  }
  worker.join();
  if (poll) poll();
  if (shared->failure) std::rethrow_exception(shared->failure);
}

}  // namespace rt
