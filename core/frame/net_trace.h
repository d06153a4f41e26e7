#pragma once
// The socket library's calls that the program's start and end make: the
// library's debug trace and the closing of its call-back window.
#include <string_view>

namespace core {

// One line of the socket library's debug trace (the debug output).
void NetDebugTrace(std::string_view line);
// Closes the socket library's call-back window, once at the end of the run.
void NetCloseCallBackWindow();

// The trace lines are written when one of "/rednetlog", "/rednetlogerrors",
// "/neterrors" or "/netall" is given and "/netnolog" is not.
bool netTraceWanted();
void writeStartTrace();
void writeEndTrace();

}  // namespace core
