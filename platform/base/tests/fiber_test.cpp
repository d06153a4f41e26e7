#include "platform/base/fiber.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace rt {
namespace {

std::string currentMessage() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "?";
  }
}

// A fiber that stays suspended inside its catch block must find its own
// exception there when resumed, whatever the other contexts caught meanwhile.
TEST(Fiber, KeepsEachFibersCaughtExceptionAcrossSwitches) {
  std::string seenA, seenB, rethrownA;
  Fiber a([&] {
    try {
      throw std::runtime_error("A");
    } catch (...) {
      Fiber::yield();
      seenA = currentMessage();
      try {
        throw;
      } catch (const std::runtime_error& e) {
        rethrownA = e.what();
      }
    }
  });
  Fiber b([&] {
    try {
      throw std::runtime_error("B");
    } catch (...) {
      Fiber::yield();
      seenB = currentMessage();
    }
  });
  a.resume();
  b.resume();
  EXPECT_FALSE(std::current_exception()) << "the main context caught nothing";
  try {
    throw std::logic_error("main");
  } catch (...) {
    b.resume();
    EXPECT_EQ(currentMessage(), "main");
    a.resume();
    EXPECT_EQ(currentMessage(), "main");
  }
  EXPECT_TRUE(a.finished());
  EXPECT_TRUE(b.finished());
  EXPECT_EQ(seenA, "A");
  EXPECT_EQ(rethrownA, "A");
  EXPECT_EQ(seenB, "B");
  EXPECT_EQ(std::uncaught_exceptions(), 0);
}

TEST(Fiber, CatchesWhatEscapesItsBodyAtTheEntry) {
  Fiber plain([] { throw std::runtime_error("lost"); });
  plain.resume();
  ASSERT_TRUE(plain.finished());
  ASSERT_TRUE(plain.escaped());
  EXPECT_THROW(std::rethrow_exception(plain.escaped()), std::runtime_error);

  // The halt exception is no std::exception: a handler for std::exception
  // does not swallow it.
  Fiber halted([] {
    try {
      throw HaltUnwind{3};
    } catch (const std::exception&) {
      ADD_FAILURE() << "halt caught as std::exception";
    }
  });
  halted.resume();
  ASSERT_TRUE(halted.escaped());
  try {
    std::rethrow_exception(halted.escaped());
  } catch (const HaltUnwind& h) {
    EXPECT_EQ(h.code, 3);
  }
}

TEST(Fiber, SwitchesBackAndForthAndRefusesMisuse) {
  int steps = 0;
  Fiber f([&] {
    for (int i = 0; i < 3; ++i) {
      ++steps;
      EXPECT_EQ(Fiber::current(), &f);
      Fiber::yield();
    }
  });
  EXPECT_FALSE(f.started());
  while (!f.finished()) f.resume();
  EXPECT_EQ(steps, 3);
  EXPECT_EQ(Fiber::current(), nullptr);
  EXPECT_THROW(Fiber::yield(), std::logic_error);
  EXPECT_THROW(f.resume(), std::logic_error);
}

int deepRecursion(int depth) {
  volatile char frame[1024];
  frame[0] = static_cast<char>(depth);
  return depth == 0 ? frame[0] : deepRecursion(depth - 1) + frame[0];
}

TEST(Fiber, OffersAQuarterMegabyteOfStackAtLeast) {
  int result = -1;
  Fiber f([&] { result = deepRecursion(200); }, Fiber::kMinimumStackSize);
  f.resume();
  EXPECT_TRUE(f.finished());
  EXPECT_GE(result, 0);
}

TEST(FiberDeathTest, OverflowHitsTheGuardPage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        Fiber f([] { deepRecursion(100000); }, Fiber::kMinimumStackSize);
        f.resume();
      },
      "");
}

}  // namespace
}  // namespace rt
