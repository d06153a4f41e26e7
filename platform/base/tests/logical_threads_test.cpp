#include "platform/base/logical_threads.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/base/debug_sink.h"
#include "platform/base/message_hook.h"
#include "platform/base/procedures.h"

namespace rt {
namespace {

// Hooks cannot be removed, so the tests register one recorder per layer once.
std::vector<std::string>& hookLog() {
  static std::vector<std::string> log;
  return log;
}

void registerRecordingHooks() {
  static bool done = false;
  if (done) return;
  done = true;
  auto record = [](const char* what) {
    return [what](ThreadNumber n) {
      EXPECT_EQ(currentThreadNumber(), n) << "hooks run on the thread itself";
      hookLog().push_back(std::string(what) + std::to_string(n));
    };
  };
  // Registered out of layer order on purpose.
  addThreadHooks(ThreadLayer::Program, record("program+"), record("program-"));
  addThreadHooks(record("other+"), record("other-"));
  addThreadHooks(ThreadLayer::TableFiles, record("files+"), record("files-"));
  addThreadHooks(ThreadLayer::ErrorStatus, record("errors+"), record("errors-"));
}

class LogicalThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    registerRecordingHooks();
    hookLog().clear();
    previousHalt_ = setHaltHandler([this](int code) { haltCodes_.push_back(code); });
  }
  void TearDown() override {
    runPendingCalls();
    endAllThreads();
    setHaltHandler(previousHalt_);
  }
  HaltHandler previousHalt_;
  std::vector<int> haltCodes_;
};

TEST_F(LogicalThreads, StartLetsTheCallerGoOnAndRunsHooksInLayerOrder) {
  std::vector<std::string> order;
  ThreadNumber seen = 0;
  const ThreadNumber n = start([&] {
    seen = currentThreadNumber();
    order.push_back("body");
  });
  order.push_back("caller");
  EXPECT_GT(n, kMainThread);
  EXPECT_TRUE(threadAlive(n));
  runPendingCalls();
  EXPECT_EQ(order, (std::vector<std::string>{"caller", "body"}));
  EXPECT_EQ(seen, n);
  EXPECT_FALSE(threadAlive(n));
  const std::string s = std::to_string(n);
  EXPECT_EQ(hookLog(),
            (std::vector<std::string>{"files+" + s, "errors+" + s, "program+" + s, "other+" + s,
                                      "other-" + s, "program-" + s, "errors-" + s, "files-" + s}));
  EXPECT_GT(start([] {}), n) << "numbers are not reused";
}

TEST_F(LogicalThreads, EachThreadHasItsOwnRequestBytesAndProcedureStack) {
  ThreadRequest() = 4;
  registerProcedure("ProbarHilo", [](const ProcedureArgs& args) {
    EXPECT_EQ(ThreadRequest(), 0);
    EXPECT_EQ(ThreadResponse(), 0);
    EXPECT_EQ(ThreadVcrRequest(), 0);
    ThreadRequest() = static_cast<std::uint8_t>(std::stoi(args.at(0)));
    suspendCurrentThread();
    EXPECT_EQ(ThreadRequest(), std::stoi(args.at(0)));
    EXPECT_EQ(procedureStack(), std::vector<std::string>{"ProbarHilo"});
    return kCompleted;
  });
  const ThreadNumber a = start("ProbarHilo", {"1"});
  const ThreadNumber b = start("ProbarHilo", {"2"});
  runPendingCalls();
  EXPECT_EQ(ThreadRequest(), 4) << "the main context is thread 1";
  wakeThread(a);
  wakeThread(b);
  runPendingCalls();
  EXPECT_FALSE(threadAlive(a));
  EXPECT_FALSE(threadAlive(b));
  EXPECT_TRUE(procedureStack().empty());
  ThreadRequest() = 0;
  unregisterProcedure("ProbarHilo");
}

TEST_F(LogicalThreads, AWakeBeforeTheWaitIsKeptAndWaitsOutsideAThreadAreRefused) {
  int rounds = 0;
  const ThreadNumber n = start([&] {
    wakeThread(currentThreadNumber());
    suspendCurrentThread();  // returns at once: the wake was kept
    ++rounds;
    suspendCurrentThread();
    ++rounds;
  });
  runPendingCalls();
  EXPECT_EQ(rounds, 1);
  wakeThread(n);
  wakeThread(n);  // a second wake before it ran schedules no second resume
  EXPECT_EQ(runPendingCalls(), 1);
  EXPECT_EQ(rounds, 2);
  EXPECT_THROW(suspendCurrentThread(), std::logic_error);
}

TEST_F(LogicalThreads, PostedEventsReachOnlyThreadsThatShowAWindow) {
  std::vector<int> received;
  bool windowShown = false;
  const ThreadNumber n = start([&] {
    noteWindowOpened();
    windowShown = true;
    while (received.size() < 2) {
      if (auto e = takePostedEvent()) {
        received.push_back(e->event * 100 + e->control);
      } else {
        suspendCurrentThread();
      }
    }
    noteWindowClosed();
  });
  EXPECT_FALSE(post(518, n)) << "not showing a window yet";
  runPendingCalls();
  ASSERT_TRUE(windowShown);
  EXPECT_EQ(windowsShown(n), 1);
  EXPECT_EQ(otherThreadsShowingWindows(), 1);
  EXPECT_TRUE(post(518, n, 3));
  EXPECT_TRUE(post(1044, n));
  runPendingCalls();
  EXPECT_EQ(received, (std::vector<int>{51803, 104400}));
  EXPECT_EQ(otherThreadsShowingWindows(), 0);
  EXPECT_FALSE(post(518, n)) << "the thread has ended";
}

TEST_F(LogicalThreads, HaltUnwindsEveryThreadThenRunsTheHandlerOnce) {
  struct Guard {
    int* count;
    ~Guard() { ++*count; }
  };
  int unwound = 0;
  std::string caughtAfterResume;
  auto waiter = [&] {
    Guard g{&unwound};
    for (;;) suspendCurrentThread();
  };
  const ThreadNumber a = start(waiter);
  // A thread that waits inside a catch block, and one that catches everything
  // but rethrows, as every catch-all must.
  const ThreadNumber b = start([&] {
    Guard g{&unwound};
    try {
      throw std::runtime_error("pendiente");
    } catch (const std::exception&) {
      try {
        suspendCurrentThread();
      } catch (...) {
        caughtAfterResume = "rethrown";
        throw;
      }
    }
  });
  const ThreadNumber c = start([&] {
    suspendCurrentThread();
    halt(7);
  });
  runPendingCalls();
  wakeThread(c);
  runPendingCalls();
  EXPECT_EQ(haltCodes_, std::vector<int>{7});
  EXPECT_EQ(unwound, 2);
  EXPECT_EQ(caughtAfterResume, "rethrown");
  for (ThreadNumber n : {a, b, c}) {
    EXPECT_FALSE(threadAlive(n));
    EXPECT_NE(std::find(hookLog().begin(), hookLog().end(), "files-" + std::to_string(n)),
              hookLog().end())
        << "thread " << n << " ran its end hooks";
  }
  EXPECT_EQ(std::uncaught_exceptions(), 0);
  EXPECT_FALSE(std::current_exception());
}

TEST_F(LogicalThreads, HaltFromTheMainContextThrowsAfterTheHandler) {
  const ThreadNumber n = start([] { suspendCurrentThread(); });
  runPendingCalls();
  EXPECT_THROW(halt(2), HaltUnwind);
  EXPECT_EQ(haltCodes_, std::vector<int>{2});
  EXPECT_FALSE(threadAlive(n));
}

TEST_F(LogicalThreads, AnExceptionLeavingAThreadIsReportedAndTheThreadEnds) {
  DebugCapture capture;
  const ThreadNumber n = start([] { throw std::runtime_error("fallo"); });
  runPendingCalls();
  EXPECT_FALSE(threadAlive(n));
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_NE(capture.lines()[0].find("fallo"), std::string::npos);
  EXPECT_EQ(hookLog().back(), "files-" + std::to_string(n));
}

// A thread that ends by an exception nobody caught says so in a message
// naming its procedure, a failure to get memory in words of its own.
TEST_F(LogicalThreads, AnExceptionLeavingAThreadIsShownNamingItsProcedure) {
  struct Case {
    std::function<void()> fail;
    std::string said;
  };
  const std::vector<Case> cases = {
      {[] { throw std::bad_alloc(); }, "No hay memoria suficiente"},
      {[] { throw std::runtime_error("el disco no responde"); }, "el disco no responde"},
  };
  for (const Case& c : cases) {
    std::vector<MessageRequest> shown;
    const MessageHandler previous = setMessageHandler([&](const MessageRequest& m) {
      shown.push_back(m);
      return 1;
    });
    DebugCapture capture;
    registerProcedure("ExaminarFallido", [&](const ProcedureArgs&) -> int {
      c.fail();
      return 0;
    });
    start("ExaminarFallido");
    runPendingCalls();
    setMessageHandler(previous);
    unregisterProcedure("ExaminarFallido");
    ASSERT_EQ(shown.size(), 1u) << c.said;
    EXPECT_NE(shown[0].text.find("ExaminarFallido"), std::string::npos) << shown[0].text;
    EXPECT_NE(shown[0].text.find(c.said), std::string::npos) << shown[0].text;
    EXPECT_EQ(shown[0].icon, MessageIcon::Error);
  }
}

TEST_F(LogicalThreads, AResumeDuringANestedLoopWaitsForTheMainContext) {
  std::vector<std::string> order;
  start([&] {
    order.push_back("a runs a nested loop");
    runPendingCalls();  // b's resume comes up here and must not switch
    order.push_back("a ends");
  });
  start([&] { order.push_back("b"); });
  runPendingCalls();
  EXPECT_EQ(order, (std::vector<std::string>{"a runs a nested loop", "a ends", "b"}));
}

TEST_F(LogicalThreads, EndAllThreadsEndsThreadsThatNeverRan) {
  bool ran = false;
  const ThreadNumber n = start([&] { ran = true; });
  endAllThreads();
  EXPECT_FALSE(threadAlive(n));
  runPendingCalls();
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace rt
