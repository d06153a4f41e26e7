#pragma once
// The reports' warnings about a failed table access, quoting the runtime's
// current error. Shown in the program's message window with the warning icon
// and an OK button; they only inform.
#include <string_view>

namespace core {

// The two warnings the reports use.
constexpr long kRecordRetrievalWarning = 35;  // text1: the table's name
constexpr long kViewOpenWarning = 36;

// Other numbers show nothing.
void ShowFileWarning(long number, std::string_view text1, std::string_view text2);
void ShowFileWarningText(long number, std::string_view text);
void ShowFileWarningNumber(long number);

}  // namespace core
