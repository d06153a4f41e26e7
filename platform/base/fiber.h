#pragma once
// Stackful fibers on the calling OS thread. A fiber is resumed from the main
// context (the OS thread's own stack, where the event loop runs) and switches
// back to it when it yields or ends; fibers never switch to each other
// directly. Each fiber has a stack of its own with a guard page below it, and
// keeps its own caught-exception state across switches.
#include <cstddef>
#include <exception>
#include <functional>

namespace rt {

// Unwinds a fiber when the program halts. Deliberately not a std::exception:
// code that catches everything must rethrow it (`catch (...) { ...; throw; }`).
struct HaltUnwind {
  int code = 0;
};

class Fiber {
 public:
  // The first window shown on a fiber needs about 100 KiB inside the font
  // machinery; leave ample room.
  static constexpr std::size_t kDefaultStackSize = 512 * 1024;
  static constexpr std::size_t kMinimumStackSize = 256 * 1024;

  explicit Fiber(std::function<void()> body, std::size_t stackSize = kDefaultStackSize);
  // A fiber suspended in the middle of its body is destroyed without unwinding
  // it; callers unwind first (the logical-thread layer does).
  ~Fiber();
  Fiber(const Fiber&) = delete;
  Fiber& operator=(const Fiber&) = delete;

  // Runs the fiber until it yields or ends. Only from the main context.
  void resume();
  // Switches from the running fiber back to the main context.
  static void yield();
  // The running fiber; nullptr on the main context.
  static Fiber* current();

  bool started() const { return started_; }
  bool finished() const { return finished_; }
  // What escaped the body (caught at the fiber's entry), if anything.
  std::exception_ptr escaped() const { return escaped_; }

 private:
  friend struct FiberEntry;
  void switchOut(bool finishing);

  std::function<void()> body_;
  void* stack_ = nullptr;  // the mapping, guard page included
  std::size_t mappedSize_ = 0;
  void* context_ = nullptr;  // the fiber's saved context while it is not running
  void* caller_ = nullptr;   // the main context's saved context while the fiber runs
  // The C++ runtime's caught-exception chain and uncaught count of this fiber
  // while it is switched out.
  void* caughtExceptions_ = nullptr;
  unsigned int uncaughtExceptions_ = 0;
  // Address-sanitizer bookkeeping (unused in other builds).
  void* fakeStack_ = nullptr;
  const void* callerStackBottom_ = nullptr;
  std::size_t callerStackSize_ = 0;
  unsigned valgrindStackId_ = 0;
  bool started_ = false;
  bool finished_ = false;
  std::exception_ptr escaped_;
};

}  // namespace rt
