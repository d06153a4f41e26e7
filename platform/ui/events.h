#pragma once
// The runtime's event numbers (platform/base/events.h) and the levels that
// event handlers answer with.
#include "platform/base/events.h"

namespace rt {

// What a handler answers: Benign goes on, Notify means the event was consumed
// (for a close request: the window stays open), Fatal ends the window's loop.
namespace level {
constexpr int Benign = 0;
constexpr int Fatal = 3;
constexpr int Notify = 5;
}  // namespace level

}  // namespace rt
