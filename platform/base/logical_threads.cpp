#include "platform/base/logical_threads.h"

#include <array>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <stdexcept>
#include <utility>

#include "platform/base/debug_sink.h"
#include "platform/base/failure_report.h"
#include "platform/base/runtime_errors.h"

namespace rt {
namespace {

struct Hooks {
  ThreadHook onStart;
  ThreadHook onEnd;
};

constexpr std::size_t kLayers = static_cast<std::size_t>(ThreadLayer::Other) + 1;

std::array<std::vector<Hooks>, kLayers>& hookLayers() {
  static std::array<std::vector<Hooks>, kLayers> layers = [] {
    std::array<std::vector<Hooks>, kLayers> l;
    // Every ending thread frees its error status, after the layers above it.
    l[static_cast<std::size_t>(ThreadLayer::ErrorStatus)].push_back({nullptr, freeThreadErrors});
    return l;
  }();
  return layers;
}

struct ThreadRecord {
  ThreadNumber number = 0;
  std::unique_ptr<Fiber> fiber;  // empty for thread 1 used from the main context
  bool suspended = false;        // switched out (or not started yet)
  bool wakeRequested = false;
  bool resumeScheduled = false;
  bool ending = false;  // being unwound: the next wait throws
  std::uint8_t request = 0;
  std::uint8_t response = 0;
  std::int32_t vcrRequest = 0;
  std::vector<std::string> procedures;
  std::string firstProcedure;  // what the thread was started for, named when it fails
  std::deque<PostedEvent> posted;
  int windows = 0;
};

struct Scheduler {
  std::map<ThreadNumber, std::unique_ptr<ThreadRecord>> threads;
  ThreadNumber nextNumber = kMainThread + 1;
  Dispatcher dispatcher;
  std::deque<std::function<void()>> pendingCalls;  // the built-in dispatcher's queue
  std::vector<ThreadNumber> deferred;  // resumes that came while a fiber ran a nested loop
  HaltHandler haltHandler;
  bool halting = false;
  bool haltInProgress = false;
  int haltCode = 0;
};

Scheduler& scheduler() {
  static Scheduler s;
  return s;
}

// The thread whose fiber runs; 0 on the main context. Per OS thread, so a
// worker thread asking for its number never reads the GUI thread's state.
thread_local ThreadNumber t_running = 0;

ThreadRecord* find(ThreadNumber number) {
  auto& threads = scheduler().threads;
  auto it = threads.find(number);
  return it == threads.end() ? nullptr : it->second.get();
}

// The caller's record; thread 1's is made on first use from the main context.
ThreadRecord& currentRecord() {
  Scheduler& s = scheduler();
  const ThreadNumber number = t_running != 0 ? t_running : kMainThread;
  auto& slot = s.threads[number];
  if (!slot) {
    slot = std::make_unique<ThreadRecord>();
    slot->number = number;
  }
  return *slot;
}

void dispatch(std::function<void()> call) {
  Scheduler& s = scheduler();
  if (s.dispatcher) {
    s.dispatcher(std::move(call));
  } else {
    s.pendingCalls.push_back(std::move(call));
  }
}

void runStartHooks(ThreadNumber number) {
  for (auto& layer : hookLayers()) {
    // Copy: a hook may register further hooks.
    const std::vector<Hooks> hooks = layer;
    for (const Hooks& h : hooks) {
      if (h.onStart) h.onStart(number);
    }
  }
}

void reportEscaped(ThreadNumber number, std::string_view what) {
  debugOutput("Error no controlado en el hilo " + std::to_string(number) + ": " +
              std::string(what));
}

void runEndHooks(ThreadNumber number) {
  auto& layers = hookLayers();
  for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
    const std::vector<Hooks> hooks = *layer;
    for (auto h = hooks.rbegin(); h != hooks.rend(); ++h) {
      if (!h->onEnd) continue;
      // Every layer frees its state, whatever another one did.
      try {
        h->onEnd(number);
      } catch (const HaltUnwind&) {
      } catch (const std::exception& e) {
        reportEscaped(number, e.what());
      } catch (...) {
        reportEscaped(number, "excepcion desconocida");
      }
    }
  }
}

// What runs on a thread's fiber: start hooks, the body, end hooks.
void threadMain(ThreadNumber number, const std::function<void()>& body) {
  if (scheduler().halting || find(number)->ending) return;
  try {
    runStartHooks(number);
    body();
  } catch (const HaltUnwind&) {
  } catch (...) {
    // Shown while the thread still has its tables and state; its windows
    // are closed by now, so the message names its procedure.
    const ThreadRecord* record = find(number);
    const std::string where = record != nullptr && !record->firstProcedure.empty()
                                  ? record->firstProcedure
                                  : "hilo " + std::to_string(number);
    try {
      reportFailure(where, std::current_exception());
    } catch (const HaltUnwind&) {
    }
  }
  runEndHooks(number);
}

void finishHaltIfRequested();
void resumeScheduled(ThreadNumber number);

void resumeRecord(ThreadRecord& record) {
  Scheduler& s = scheduler();
  const ThreadNumber number = record.number;
  record.suspended = false;
  t_running = number;
  record.fiber->resume();
  t_running = 0;
  ThreadRecord* after = find(number);
  if (after != nullptr && after->fiber && after->fiber->finished()) s.threads.erase(number);
  for (ThreadNumber waiting : std::exchange(s.deferred, {})) {
    dispatch([waiting] { resumeScheduled(waiting); });
  }
  finishHaltIfRequested();
}

void resumeScheduled(ThreadNumber number) {
  ThreadRecord* record = find(number);
  if (record == nullptr || !record->fiber) return;
  record->resumeScheduled = false;
  if (!record->suspended) return;
  if (t_running != 0) {
    // A native loop (a popup menu) runs inside a logical thread; fibers switch
    // only from the main context, so the resume waits until that thread
    // switches back.
    record->resumeScheduled = true;
    scheduler().deferred.push_back(number);
    return;
  }
  resumeRecord(*record);
}

void schedule(ThreadRecord& record) {
  if (record.resumeScheduled || !record.suspended) return;
  record.resumeScheduled = true;
  const ThreadNumber number = record.number;
  dispatch([number] { resumeScheduled(number); });
}

ThreadNumber makeThread(ThreadNumber number, std::function<void()> body, std::size_t stackSize) {
  auto record = std::make_unique<ThreadRecord>();
  record->number = number;
  record->fiber = std::make_unique<Fiber>(
      [number, body = std::move(body)] { threadMain(number, body); },
      stackSize < Fiber::kDefaultStackSize ? Fiber::kDefaultStackSize : stackSize);
  record->suspended = true;
  ThreadRecord& r = *record;
  scheduler().threads[number] = std::move(record);
  schedule(r);
  return number;
}

void finishHaltIfRequested() {
  Scheduler& s = scheduler();
  if (!s.halting || s.haltInProgress || t_running != 0) return;
  s.haltInProgress = true;
  endAllThreads();
  const int code = s.haltCode;
  HaltHandler handler = s.haltHandler;
  s.halting = false;
  s.haltInProgress = false;
  if (handler) {
    handler(code);
  } else {
    std::exit(code);
  }
}

}  // namespace

ThreadNumber currentThreadNumber() {
  const ThreadNumber running = t_running;
  return running != 0 ? running : kMainThread;
}

bool onLogicalThread() { return t_running != 0; }

bool threadAlive(ThreadNumber thread) {
  ThreadRecord* record = find(thread);
  return record != nullptr && record->fiber && !record->fiber->finished();
}

void addThreadHooks(ThreadLayer layer, ThreadHook onStart, ThreadHook onEnd) {
  hookLayers()[static_cast<std::size_t>(layer)].push_back({std::move(onStart), std::move(onEnd)});
}

void removeThreadHooks(ThreadLayer layer) { hookLayers()[static_cast<std::size_t>(layer)].clear(); }

void addThreadHooks(ThreadHook onStart, ThreadHook onEnd) {
  addThreadHooks(ThreadLayer::Other, std::move(onStart), std::move(onEnd));
}

ThreadNumber start(std::function<void()> body, std::size_t stackSize) {
  return makeThread(scheduler().nextNumber++, std::move(body), stackSize);
}

ThreadNumber start(std::string_view procedure, ProcedureArgs args) {
  return start(
      [name = std::string(procedure), args = std::move(args)] { callProcedure(name, args); });
}

void startMainThread(std::function<void()> body) {
  Scheduler& s = scheduler();
  ThreadRecord* existing = find(kMainThread);
  if (existing != nullptr && existing->fiber) throw std::logic_error("thread 1 is already running");
  if (t_running != 0) throw std::logic_error("thread 1 starts from the main context");
  s.threads.erase(kMainThread);
  makeThread(kMainThread, std::move(body), 0);
}

std::uint8_t& ThreadRequest() { return currentRecord().request; }
std::uint8_t& ThreadResponse() { return currentRecord().response; }
std::int32_t& ThreadVcrRequest() { return currentRecord().vcrRequest; }

ProcedureScope::ProcedureScope(std::string_view name) : thread_(currentThreadNumber()) {
  ThreadRecord& record = currentRecord();
  if (record.firstProcedure.empty()) record.firstProcedure = name;
  record.procedures.emplace_back(name);
}

ProcedureScope::~ProcedureScope() {
  ThreadRecord* record = find(thread_);
  if (record != nullptr && !record->procedures.empty()) record->procedures.pop_back();
}

std::vector<std::string> procedureStack() { return currentRecord().procedures; }

std::string currentProcedure() {
  const auto& procedures = currentRecord().procedures;
  return procedures.empty() ? std::string() : procedures.back();
}

std::vector<std::function<void()>>& suspendHooks() {
  static std::vector<std::function<void()>> hooks;
  return hooks;
}

void addSuspendHook(std::function<void()> hook) { suspendHooks().push_back(std::move(hook)); }

void suspendCurrentThread() {
  Scheduler& s = scheduler();
  if (t_running == 0) throw std::logic_error("only a logical thread can wait");
  ThreadRecord* record = find(t_running);
  for (;;) {
    if (s.halting || record->ending) throw HaltUnwind{s.haltCode};
    if (record->wakeRequested) {
      record->wakeRequested = false;
      return;
    }
    for (const auto& hook : suspendHooks()) hook();
    record->suspended = true;
    Fiber::yield();
  }
}

void wakeThread(ThreadNumber thread) {
  ThreadRecord* record = find(thread);
  if (record == nullptr || !record->fiber || record->fiber->finished()) return;
  record->wakeRequested = true;
  schedule(*record);
}

Dispatcher setDispatcher(Dispatcher dispatcher) {
  return std::exchange(scheduler().dispatcher, std::move(dispatcher));
}

int runPendingCalls() {
  Scheduler& s = scheduler();
  int ran = 0;
  while (!s.pendingCalls.empty()) {
    std::function<void()> call = std::move(s.pendingCalls.front());
    s.pendingCalls.pop_front();
    call();
    ++ran;
  }
  return ran;
}

bool post(int event, ThreadNumber thread, int control) {
  ThreadRecord* record = find(thread);
  if (record == nullptr || record->windows == 0) return false;
  record->posted.push_back({event, control});
  wakeThread(thread);
  return true;
}

std::optional<PostedEvent> takePostedEvent() {
  auto& posted = currentRecord().posted;
  if (posted.empty()) return std::nullopt;
  PostedEvent e = posted.front();
  posted.pop_front();
  return e;
}

void noteWindowOpened() { ++currentRecord().windows; }

void noteWindowClosed() {
  ThreadRecord& record = currentRecord();
  if (record.windows > 0 && --record.windows == 0) record.posted.clear();
}

int windowsShown(ThreadNumber thread) {
  ThreadRecord* record = find(thread);
  return record == nullptr ? 0 : record->windows;
}

int otherThreadsShowingWindows() {
  const ThreadNumber self = currentThreadNumber();
  int count = 0;
  for (const auto& [number, record] : scheduler().threads) {
    if (number != self && record->windows > 0) ++count;
  }
  return count;
}

void endAllThreads() {
  Scheduler& s = scheduler();
  if (t_running != 0) throw std::logic_error("threads are ended from the main context");
  for (;;) {
    ThreadRecord* victim = nullptr;
    for (auto& [number, record] : s.threads) {
      if (record->fiber) {
        victim = record.get();
        break;
      }
    }
    if (victim == nullptr) break;
    if (!victim->fiber->started()) {
      s.threads.erase(victim->number);
      continue;
    }
    victim->ending = true;
    resumeRecord(*victim);
  }
  // Thread 1 as used from the main context starts afresh.
  s.threads.clear();
}

[[noreturn]] void halt(int code) {
  Scheduler& s = scheduler();
  s.halting = true;
  s.haltCode = code;
  if (t_running == 0) finishHaltIfRequested();
  throw HaltUnwind{code};
}

HaltHandler setHaltHandler(HaltHandler handler) {
  return std::exchange(scheduler().haltHandler, std::move(handler));
}

}  // namespace rt
