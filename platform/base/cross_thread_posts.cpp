#include "platform/base/cross_thread_posts.h"

#include <deque>
#include <mutex>
#include <utility>

namespace rt {
namespace {

struct QueuedPost {
  int event;
  ThreadNumber thread;
  int control;
};

struct Inbox {
  std::mutex mutex;
  std::deque<QueuedPost> posts;
  CrossThreadNotifier notifier;
};

Inbox& inbox() {
  static Inbox box;
  return box;
}

}  // namespace

void postFromAnyThread(int event, ThreadNumber thread, int control) {
  Inbox& box = inbox();
  CrossThreadNotifier notify;
  {
    std::lock_guard lock(box.mutex);
    const bool wasEmpty = box.posts.empty();
    box.posts.push_back({event, thread, control});
    // One pending delivery takes everything queued behind it.
    if (wasEmpty) notify = box.notifier;
  }
  if (notify) notify();
}

int deliverCrossThreadPosts() {
  Inbox& box = inbox();
  std::deque<QueuedPost> taken;
  {
    std::lock_guard lock(box.mutex);
    taken.swap(box.posts);
  }
  for (const QueuedPost& p : taken) post(p.event, p.thread, p.control);
  return static_cast<int>(taken.size());
}

CrossThreadNotifier setCrossThreadNotifier(CrossThreadNotifier notifier) {
  std::lock_guard lock(inbox().mutex);
  return std::exchange(inbox().notifier, std::move(notifier));
}

}  // namespace rt
