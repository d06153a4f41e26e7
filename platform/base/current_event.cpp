#include "platform/base/current_event.h"

#include <utility>

namespace rt {
namespace {

CurrentEventSource& source() {
  static CurrentEventSource s;
  return s;
}

}  // namespace

int currentEvent() { return source() ? source()() : 0; }

CurrentEventSource setCurrentEventSource(CurrentEventSource s) {
  return std::exchange(source(), std::move(s));
}

}  // namespace rt
