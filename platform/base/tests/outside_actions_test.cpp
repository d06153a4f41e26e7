#include "platform/base/outside_actions.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
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

TEST(OutsideActions, ShellOpenAnswersTheShellsCodesAndNeverRunsAProgram) {
  std::vector<std::string> opened;
  rt::ShellOpener previous =
      rt::setShellOpener([&](const std::string& target) { opened.push_back(target); });
  const auto folder = rt::workingFolder();
  std::ofstream(folder / "informe.pdf") << "x";
  std::ofstream(folder / "guion.sh") << "#!/bin/sh\necho hola\n";
  std::filesystem::permissions(folder / "guion.sh", std::filesystem::perms::owner_all);
  std::ofstream(folder / "cerrado.txt") << "x";
  std::filesystem::permissions(folder / "cerrado.txt", std::filesystem::perms::none);
  struct Case {
    std::string target;
    int code;
  } cases[] = {
      {"", 2},
      {"no-esta.pdf", 2},
      {"carpeta-que-no-esta\\informe.pdf", 3},
      {"guion.sh", 31},
      {"informe.pdf   ", rt::kShellOpened},
  };
  for (const Case& c : cases) EXPECT_EQ(rt::shellOpen(c.target), c.code) << c.target;
  if (::geteuid() != 0) EXPECT_EQ(rt::shellOpen("cerrado.txt"), 5);
  rt::setShellOpener(previous);
  EXPECT_EQ(opened, std::vector<std::string>{(folder / "informe.pdf").string()});
  EXPECT_EQ(rt::shellOpenErrorText(3), "Path noth found");
  EXPECT_EQ(rt::shellOpenErrorText(31), "No program associated with this file");
  EXPECT_EQ(rt::shellOpenErrorText(4), "");
}

}  // namespace
