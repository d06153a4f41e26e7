#pragma once
// The Windows error codes that the string class reports in WINERRORCODE, and
// their system message texts, for failures of this system's file calls.
#include <string>

namespace textlib {

// The Windows error code that corresponds to a C library errno value.
int windowsErrorFromErrno(int errnoValue);

// The system's message text for a Windows error code; empty when unknown.
std::string systemMessageText(int code);

}  // namespace textlib
