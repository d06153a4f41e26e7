#pragma once
// Fixes the clock for as long as it lives, then gives back the clock every
// test starts with.
#include "platform/base/clock.h"
#include "platform/base/testing/test_environment.h"

namespace rt::testing {

class FixedClock {
 public:
  FixedClock(Date date, Time time, int millisecond = -1) { setFixedClock(date, time, millisecond); }
  ~FixedClock() { setFixedClock(kTestDate, kTestTime); }
  FixedClock(const FixedClock&) = delete;
  FixedClock& operator=(const FixedClock&) = delete;
};

}  // namespace rt::testing
