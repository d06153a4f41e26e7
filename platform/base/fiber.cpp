#include "platform/base/fiber.h"

#include <cxxabi.h>
#include <sys/mman.h>
#include <unistd.h>

#include <boost/context/detail/fcontext.hpp>
#include <new>
#include <stdexcept>

// Under valgrind each fiber stack is announced, so switching to it is not
// taken for a wild stack-pointer change. The macros cost nothing otherwise.
#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#define VARNETA_FIBER_VALGRIND 1
#endif

// AddressSanitizer must hear of every stack switch (g++ and clang announce it
// differently).
#if defined(VARNETA_SANITIZE) || defined(__SANITIZE_ADDRESS__)
#define VARNETA_FIBER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VARNETA_FIBER_ASAN 1
#endif
#endif
#ifdef VARNETA_FIBER_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

namespace rt {
namespace {

namespace ctx = boost::context::detail;

thread_local Fiber* t_current = nullptr;

// The C++ runtime keeps the exceptions being handled (the chain that a bare
// `throw;` and std::current_exception read) per OS thread. Fibers share the OS
// thread, so each switch swaps this state; otherwise a fiber suspended inside a
// catch block would see, or rethrow, another fiber's exception.
struct EhGlobals {
  void* caughtExceptions;
  unsigned int uncaughtExceptions;
};

EhGlobals* ehGlobals() { return reinterpret_cast<EhGlobals*>(abi::__cxa_get_globals()); }

std::size_t pageSize() {
  static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return size;
}

}  // namespace

struct FiberEntry {
  static void run(ctx::transfer_t transfer) {
    auto* self = static_cast<Fiber*>(transfer.data);
    self->caller_ = transfer.fctx;
#ifdef VARNETA_FIBER_ASAN
    __sanitizer_finish_switch_fiber(nullptr, &self->callerStackBottom_, &self->callerStackSize_);
#endif
    try {
      self->body_();
    } catch (...) {
      // Nothing may leave the fiber's first frame: there is no caller to
      // unwind into. The owner decides what an escaped exception means.
      self->escaped_ = std::current_exception();
    }
    self->finished_ = true;
    self->switchOut(true);
  }
};

Fiber::Fiber(std::function<void()> body, std::size_t stackSize) : body_(std::move(body)) {
  const std::size_t page = pageSize();
  if (stackSize < kMinimumStackSize) stackSize = kMinimumStackSize;
  stackSize = (stackSize + page - 1) / page * page;
  mappedSize_ = stackSize + page;
  stack_ = mmap(nullptr, mappedSize_, PROT_READ | PROT_WRITE,
                MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
  if (stack_ == MAP_FAILED) {
    stack_ = nullptr;
    throw std::bad_alloc();
  }
  // The lowest page stays inaccessible: an overflow faults at once instead of
  // writing over whatever lies below.
  if (mprotect(stack_, page, PROT_NONE) != 0) {
    munmap(stack_, mappedSize_);
    stack_ = nullptr;
    throw std::bad_alloc();
  }
  char* top = static_cast<char*>(stack_) + mappedSize_;
#ifdef VARNETA_FIBER_VALGRIND
  valgrindStackId_ = VALGRIND_STACK_REGISTER(top - stackSize, top);
#endif
  context_ = ctx::make_fcontext(top, stackSize, &FiberEntry::run);
}

Fiber::~Fiber() {
#ifdef VARNETA_FIBER_VALGRIND
  VALGRIND_STACK_DEREGISTER(valgrindStackId_);
#endif
  if (stack_ != nullptr) munmap(stack_, mappedSize_);
}

Fiber* Fiber::current() { return t_current; }

void Fiber::resume() {
  if (t_current != nullptr) throw std::logic_error("a fiber is resumed only from the main context");
  if (finished_) throw std::logic_error("the fiber has ended");
  started_ = true;
  EhGlobals* eh = ehGlobals();
  const EhGlobals mainState = *eh;
  eh->caughtExceptions = caughtExceptions_;
  eh->uncaughtExceptions = uncaughtExceptions_;
  t_current = this;
#ifdef VARNETA_FIBER_ASAN
  void* mainFakeStack = nullptr;
  const std::size_t page = pageSize();
  __sanitizer_start_switch_fiber(&mainFakeStack, static_cast<char*>(stack_) + page,
                                 mappedSize_ - page);
#endif
  ctx::transfer_t back = ctx::jump_fcontext(context_, this);
#ifdef VARNETA_FIBER_ASAN
  __sanitizer_finish_switch_fiber(mainFakeStack, nullptr, nullptr);
#endif
  context_ = back.fctx;
  t_current = nullptr;
  *ehGlobals() = mainState;
}

void Fiber::yield() {
  Fiber* self = t_current;
  if (self == nullptr) throw std::logic_error("yield outside a fiber");
  self->switchOut(false);
}

void Fiber::switchOut(bool finishing) {
  EhGlobals* eh = ehGlobals();
  caughtExceptions_ = eh->caughtExceptions;
  uncaughtExceptions_ = eh->uncaughtExceptions;
#ifdef VARNETA_FIBER_ASAN
  // A fiber that ends leaves no fake stack behind (nullptr frees it).
  __sanitizer_start_switch_fiber(finishing ? nullptr : &fakeStack_, callerStackBottom_,
                                 callerStackSize_);
#else
  (void)finishing;
#endif
  ctx::transfer_t back = ctx::jump_fcontext(caller_, nullptr);
  // Resumed: the main context restored this fiber's exception state before
  // jumping here.
  caller_ = back.fctx;
#ifdef VARNETA_FIBER_ASAN
  __sanitizer_finish_switch_fiber(fakeStack_, &callerStackBottom_, &callerStackSize_);
#endif
}

}  // namespace rt
