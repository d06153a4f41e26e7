#pragma once
// The event the calling logical thread is handling, for code that knows
// nothing of windows. The window layer installs the source at start-up.
#include <functional>

namespace rt {

// The current event number of the calling thread; 0 when it handles none or
// no source is installed.
int currentEvent();

// Installs the source (an empty function removes it) and returns the one it
// replaces.
using CurrentEventSource = std::function<int()>;
CurrentEventSource setCurrentEventSource(CurrentEventSource source);

}  // namespace rt
