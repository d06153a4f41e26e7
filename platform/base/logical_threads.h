#pragma once
// Logical threads: each main window runs on a logical thread of its own (a
// fiber on the GUI thread), with its own number, record buffers, request bytes
// and error state. Thread 1 is the main program.
//
// Every logical thread is resumed from the main context (where the event loop
// runs) and switches back to it when it waits. Code on the main context that
// is not inside any logical thread counts as thread 1, so libraries used
// without the event loop (tools, plain tests) see thread 1's state.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/fiber.h"
#include "platform/base/procedures.h"

namespace rt {

using ThreadNumber = int;
constexpr ThreadNumber kMainThread = 1;

// The logical thread the caller runs on.
ThreadNumber currentThreadNumber();
// True on a logical thread's fiber, false on the main context.
bool onLogicalThread();
// Whether the thread has been started and has not ended yet.
bool threadAlive(ThreadNumber thread);

// Per-thread state of other layers is made and removed through hooks that run
// on the thread itself: start hooks before its procedure, end hooks after it
// (also when it is unwound by a halt). Layers start in this order and end in
// the reverse one; within a layer hooks start in registration order and end in
// reverse order.
enum class ThreadLayer {
  TableFiles,   // the thread's instance of every table file
  ErrorStatus,  // the thread's error status
  Program,      // the program's own thread start and end (request bytes, managers)
  Other,
};
using ThreadHook = std::function<void(ThreadNumber)>;
void addThreadHooks(ThreadLayer layer, ThreadHook onStart, ThreadHook onEnd);
void addThreadHooks(ThreadHook onStart, ThreadHook onEnd);  // ThreadLayer::Other
// Removes every hook of a layer (a test that installed the program's own).
void removeThreadHooks(ThreadLayer layer);

// Starts a new logical thread running `body`; the caller goes on at once and
// the new thread first runs when the caller waits or returns to the event
// loop. Numbers are never reused within a process, so a stale number reaches
// no other thread. Any stack size the caller names is a minimum.
ThreadNumber start(std::function<void()> body, std::size_t stackSize = 0);
// Starts the named procedure (see procedures.h) with its arguments.
ThreadNumber start(std::string_view procedure, ProcedureArgs args = {});
// Starts thread 1, the main program. Only while no thread 1 is running.
void startMainThread(std::function<void()> body);

// The calling thread's request bytes, 0 when the thread starts: a procedure
// asks another for insert, change, delete, select or view through
// ThreadRequest and gets "completed" or "cancelled" back in ThreadResponse.
std::uint8_t& ThreadRequest();
std::uint8_t& ThreadResponse();
std::int32_t& ThreadVcrRequest();

// The calling thread's procedure-name stack (innermost last). callProcedure
// pushes the name of what it calls.
class ProcedureScope {
 public:
  explicit ProcedureScope(std::string_view name);
  ~ProcedureScope();
  ProcedureScope(const ProcedureScope&) = delete;
  ProcedureScope& operator=(const ProcedureScope&) = delete;

 private:
  ThreadNumber thread_;
};
std::vector<std::string> procedureStack();
// The innermost procedure's name; empty when none.
std::string currentProcedure();

// Waiting. A logical thread waits for something by suspending until another
// party wakes it; wakeThread never switches at once but asks the dispatcher to
// resume the thread from the event loop. A wake that arrives while the thread
// runs is kept, so the next suspend returns at once. Wakes may be spurious:
// callers wait in a loop on their own condition.
// Throws HaltUnwind when the program halts or the thread is being ended, and
// std::logic_error on the main context.
void suspendCurrentThread();
void wakeThread(ThreadNumber thread);

// Runs before every suspend, on the suspending thread: layers that hold
// resources across calls (open table statements and their read locks) let
// go of them here, so an idle window never blocks another workstation.
void addSuspendHook(std::function<void()> hook);

// The dispatcher runs a call later on the main context. The window layer
// installs one that posts to the event loop; without it, calls queue up until
// runPendingCalls() runs them (tools and plain tests).
using Dispatcher = std::function<void(std::function<void()>)>;
Dispatcher setDispatcher(Dispatcher dispatcher);
// Runs the queued calls of the built-in dispatcher until none is left;
// returns how many ran.
int runPendingCalls();

// Events posted to a thread's window. A thread that shows no window drops
// them (false), as the runtime does.
struct PostedEvent {
  int event = 0;
  int control = 0;
};
bool post(int event, ThreadNumber thread, int control = 0);
// The calling thread's oldest posted event, if any.
std::optional<PostedEvent> takePostedEvent();

// Windows shown by each thread, kept by the window layer.
void noteWindowOpened();
void noteWindowClosed();
int windowsShown(ThreadNumber thread);
// Threads other than the calling one that show at least one window.
int otherThreadsShowingWindows();

// Ends every logical thread other than the caller's by unwinding it (each runs
// its end hooks). Only from the main context.
void endAllThreads();

// Halts the program: every logical thread is unwound (the caller's by the
// HaltUnwind thrown here), then the halt handler runs on the main context.
// The default handler ends the process with `code`; the program's start-up
// and tests install their own.
[[noreturn]] void halt(int code = 0);
using HaltHandler = std::function<void(int code)>;
HaltHandler setHaltHandler(HaltHandler handler);

}  // namespace rt
