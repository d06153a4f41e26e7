#include "core/shapes/report_display_strings.h"

#include "platform/base/cp1252.h"
#include "platform/base/ini_file.h"

namespace core {
namespace {

constexpr std::string_view kSection = "DISPLAY STRINGS 2.0";
constexpr std::size_t kIniNameWidth = 62;

ReportDisplayStrings& texts() {
  static ReportDisplayStrings t;
  return t;
}

std::string cut(std::string_view text, std::size_t width) {
  return std::string(rt::clip(text.substr(0, width)));
}

}  // namespace

const ReportDisplayStrings& reportDisplayStrings() { return texts(); }

void LoadReportDisplayStrings(std::string_view iniFile, std::string_view progressUserText,
                              std::string_view /*previewQuestionTitle*/,
                              std::string_view /*previewQuestionText*/) {
  std::string file = cut(iniFile, kIniNameWidth);
  if (file.find_first_not_of(' ') == std::string::npos) file = "WIN.INI";
  const auto read = [&](std::string& target, std::string_view entry, std::string_view fallback,
                        std::size_t width = 63) {
    target = cut(rt::getIni(kSection, entry, fallback, file), width);
  };
  ReportDisplayStrings& t = texts();
  read(t.ProgWinTitlePrvw, "ProgWinTitlePrvw", "Generating Report");
  read(t.ProgWinTitlePrnt, "ProgWinTitlePrnt", "Printing Report");
  read(t.ProgWinPctText, "ProgWinPctText", "% Completed");
  read(t.ProgWinUsrText, "ProgWinUsrText", progressUserText);
  read(t.CancelAreYouSureTitle, "CancelAreYouSureTitle", "Question");
  read(t.CancelAreYouSureText, "CancelAreYouSureText",
       "Are you sure you want to CANCEL this Report?");
  read(t.CancelPrvwPartialTitle, "CancelPrvwPartialTitle", "Question");
  read(t.CancelPrvwPartialText, "CancelPrvwPartialText",
       "Report Cancellation Requested!||Preview Report generated so far?", 127);
  read(t.ButtonYesNo, "ButtonYesNo", "&Yes|&No");
  read(t.ButtonYesNoIgnore, "ButtonYesNoIgnore", "&Yes|&No|&Ignore");
}

}  // namespace core
