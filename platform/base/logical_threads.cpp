#include "platform/base/logical_threads.h"

#include <utility>
#include <vector>

namespace rt {
namespace {

struct Hooks {
  ThreadHook onStart;
  ThreadHook onEnd;
};

std::vector<Hooks>& hooks() {
  static std::vector<Hooks> h;
  return h;
}

}  // namespace

// Until the fiber scheduler exists everything runs on the main program's thread.
ThreadNumber currentThreadNumber() { return kMainThread; }

void addThreadHooks(ThreadHook onStart, ThreadHook onEnd) {
  hooks().push_back({std::move(onStart), std::move(onEnd)});
}

}  // namespace rt
