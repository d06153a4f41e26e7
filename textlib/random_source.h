#pragma once
// The process-wide pseudo-random generator of the string class. It is seeded
// once per process, before the first random text; tests seed it themselves to
// get repeatable texts.
#include <cstdint>

namespace textlib {

// The next number of the generator (0 to 2^32 - 1). Seeds first when needed.
std::uint32_t nextRandom();
bool randomSeeded();
// Seeds the generator with a given seed (tests), or from the time of day and
// the process (seedRandomFromClock).
void seedRandom(std::uint32_t seed);
void seedRandomFromClock();

}  // namespace textlib
