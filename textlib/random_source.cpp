#include "textlib/random_source.h"

#include <unistd.h>

#include <chrono>
#include <random>

namespace textlib {

namespace {

// The generator and its flag are shared by every object and logical thread;
// logical threads share one OS thread, and a race between OS threads only
// decides which seed wins.
std::mt19937& generator() {
  static std::mt19937 engine;
  return engine;
}
bool seeded = false;

}  // namespace

void seedRandom(std::uint32_t seed) {
  generator().seed(seed);
  seeded = true;
}

void seedRandomFromClock() {
  using namespace std::chrono;
  const auto now = system_clock::now().time_since_epoch();
  const auto hundredths =
      static_cast<std::uint32_t>(duration_cast<milliseconds>(now).count() / 10 % 8640000);
  const auto process = static_cast<std::uint32_t>(getpid());
  std::random_device device;
  seedRandom((hundredths | process << 24) ^ device());
}

bool randomSeeded() { return seeded; }

std::uint32_t nextRandom() {
  if (!seeded) seedRandomFromClock();
  return static_cast<std::uint32_t>(generator()());
}

}  // namespace textlib
