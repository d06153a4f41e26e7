#include "platform/base/outside_actions.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "platform/base/cp1252.h"
#include "platform/base/paths.h"

namespace {

TEST(OutsideActions, ShellOpenHandsLinksAsTheyAreAndFilesResolved) {
  std::vector<std::string> opened;
  rt::ShellOpener previous =
      rt::setShellOpener([&](const std::string& target) { opened.push_back(target); });
  std::ofstream(rt::workingFolder() / "Carta.RTF") << "x";

  rt::shellOpen(rt::utf8ToCp1252("mailto:josé@example.com   "));
  rt::shellOpen(".\\carta.rtf");
  rt::shellOpen("   ");
  rt::setShellOpener(previous);

  EXPECT_EQ(opened, (std::vector<std::string>{"mailto:josé@example.com",
                                              (rt::workingFolder() / "Carta.RTF").string()}));
}

TEST(OutsideActions, TheDefaultOpenerAnswersTheShellsCodeForWhatIsMissing) {
  // Only missing targets: nothing is launched.
  struct Case {
    std::string target;
    int code;
    std::string_view text;
  };
  const Case cases[] = {
      {"no-such-file.xlsx", 2, "File not found"},
      {"no-such-folder\\lista.xlsx", 3, "Path noth found"},
  };
  for (const Case& c : cases) {
    const int code = rt::shellOpen(c.target);
    EXPECT_EQ(code, c.code) << c.target;
    EXPECT_EQ(rt::shellOpenErrorText(code), c.text);
  }
  EXPECT_EQ(rt::shellOpenErrorText(31), "No program associated with this file");
  EXPECT_EQ(rt::shellOpenErrorText(42), "");
  // An opener that only records answers success.
  rt::ShellOpener previous = rt::setShellOpener([](const std::string&) {});
  EXPECT_GT(rt::shellOpen("no-such-file.xlsx"), 32);
  rt::setShellOpener(previous);
}

}  // namespace
