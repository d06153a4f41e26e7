#include "platform/base/assertions.h"

#include <mutex>
#include <string>
#include <utility>

#include "platform/base/debug_sink.h"

namespace rt {
namespace {

// Workers on other OS threads may report too.
std::mutex g_mutex;

// Never destroyed: objects that outlive main may still clear their hook.
AssertHook& hook() {
  static auto* h = new AssertHook;
  return *h;
}

}  // namespace

AssertHook setAssertHook(AssertHook h) {
  std::lock_guard lock(g_mutex);
  return std::exchange(hook(), std::move(h));
}

bool assertHookInstalled() {
  std::lock_guard lock(g_mutex);
  return static_cast<bool>(hook());
}

void assertionFailed(int line, std::string_view source, std::string_view message) {
  AssertHook h;
  {
    std::lock_guard lock(g_mutex);
    h = hook();  // a copy: the hook may clear itself while it runs
  }
  if (h) {
    h(line, source, message);
    return;
  }
  debugOutput("Assertion failed in [" + std::string(source) + "] @[" + std::to_string(line) +
              "]: " + std::string(message));
}

}  // namespace rt
