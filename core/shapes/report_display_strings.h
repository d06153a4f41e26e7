#pragma once
// The texts of the report progress and cancel dialogs, process-wide, read
// from the section "DISPLAY STRINGS 2.0" of an INI file. Runtime text
// (CP1252), without trailing spaces, cut to the width each text holds. A "|"
// is a line break in message texts and separates the captions of a button list.
#include <string>
#include <string_view>

namespace core {

struct ReportDisplayStrings {
  std::string ProgWinTitlePrvw;        // 63
  std::string ProgWinTitlePrnt;        // 63
  std::string ProgWinPctText;          // 63
  std::string ProgWinUsrText;          // 63
  std::string CancelAreYouSureTitle;   // 63
  std::string CancelAreYouSureText;    // 63
  std::string CancelPrvwPartialTitle;  // 63
  std::string CancelPrvwPartialText;   // 127
  std::string ButtonYesNo;             // 63
  std::string ButtonYesNoIgnore;       // 63
};

// The texts as last loaded (empty before the first load).
const ReportDisplayStrings& reportDisplayStrings();

// Reads every text from the INI file (blank = WIN.INI), each entry's default
// standing for a missing entry; progressUserText is the default of
// ProgWinUsrText. The last two arguments have no effect.
void LoadReportDisplayStrings(std::string_view iniFile, std::string_view progressUserText,
                              std::string_view previewQuestionTitle,
                              std::string_view previewQuestionText);

}  // namespace core
