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

}  // namespace
