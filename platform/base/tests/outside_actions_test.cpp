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
  if (::geteuid() != 0) {
    EXPECT_EQ(rt::shellOpen("cerrado.txt"), 5);
  }
  rt::setShellOpener(previous);
  EXPECT_EQ(opened, std::vector<std::string>{(folder / "informe.pdf").string()});
  EXPECT_EQ(rt::shellOpenErrorText(3), "Path noth found");
  EXPECT_EQ(rt::shellOpenErrorText(31), "No program associated with this file");
  EXPECT_EQ(rt::shellOpenErrorText(4), "");
}

TEST(OutsideActions, WhatIsMissingIsAnsweredBeforeAnyOpener) {
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
  // A code opener decides for what exists.
  std::ofstream(rt::workingFolder() / "lista.xlsx") << "x";
  rt::ShellCodeOpener previous = rt::setShellCodeOpener([](const std::string&) { return 31; });
  EXPECT_EQ(rt::shellOpen("no-such-file.xlsx"), 2);
  EXPECT_EQ(rt::shellOpen("lista.xlsx"), 31);
  rt::setShellCodeOpener(previous);
}

}  // namespace
