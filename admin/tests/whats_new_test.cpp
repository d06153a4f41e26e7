// The change history: markers choose style and indent for the lines that
// follow, long lines wrap at 80 characters with a hanging indent, bold lines
// never wrap; the file is read as UTF-8 when it is, else as CP1252; a missing
// file is said and no window opens.
#include "admin/whats_new.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <filesystem>
#include <fstream>

#include "platform/base/paths.h"
#include "platform/base/runtime_errors.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"

namespace admin {
namespace {

using Rows = std::vector<HistoryRow>;

std::string word(char c, std::size_t n) { return std::string(n, c); }

TEST(HistoryRows, PlaceLinesAsTheirMarkersSay) {
  const std::string a79 = word('a', 79);
  const std::string long100 = word('x', 100);
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    Rows rows;
  } cases[] = {
      {"an empty file", {}, {}},
      {"no marker first: style 0, indent 0", {"Hola", "  + alta"}, {{"Hola", 0}, {"  + alta", 3}}},
      {"markers",
       {"!Versión 9", "  !quitado", "  * arreglo", "- menos", "% nota"},
       {{"!Versión 9", 1}, {"  !quitado", 2}, {"  * arreglo", 4}, {"- menos", 5}, {"% nota", 6}}},
      {"exactly 80 after trailing blanks", {word('b', 80) + "   "}, {{word('b', 80) + "   ", 0}}},
      {"81 with a blank at 80",
       {"+" + word('a', 78) + " z"},
       {{"+" + word('a', 78), 3}, {"       z", 3}}},
      {"100 without a blank in the first 80", {long100}, {{long100, 0}}},
      {"wrapped three times: middle pieces at the indent, the last three more",
       {"* " + a79 + " " + a79 + " fin"},
       {{"*", 4}, {"    " + a79, 4}, {"    " + a79, 4}, {"       fin", 4}}},
      {"'=' keeps the colour, sets indent 6 for what follows",
       {"+ alta", "  = " + word('c', 76) + " d", word('e', 79) + " f"},
       {{"+ alta", 3},
        {"  =", 3},
        {"         " + word('c', 76) + " d", 3},
        {word('e', 79), 3},
        {"         f", 3}}},
      {"a long line under a bold one stays whole and bold",
       {"!Titulo", word('w', 90) + " " + word('w', 90)},
       {{"!Titulo", 1}, {word('w', 90) + " " + word('w', 90), 1}}},
      {"an empty line in the current style", {"- x", ""}, {{"- x", 5}, {"", 5}}},
      {"rows never exceed 255", {"!" + word('n', 300)}, {{"!" + word('n', 254), 1}}},
  };
  for (const Case& c : cases) EXPECT_EQ(historyRows(c.lines), c.rows) << c.what;
}

TEST(HistoryLines, UseUtf8WhenTheFileIsValidElseCp1252AndKeepLongLinesWhole) {
  EXPECT_EQ(historyLines("Versi\xC3\xB3n\r\nuno\n"),
            (std::vector<std::string>{"Versi\xF3n", "uno"}));
  EXPECT_EQ(historyLines("Versi\xF3n\ndos"), (std::vector<std::string>{"Versi\xF3n", "dos"}));
  EXPECT_EQ(historyLines(word('l', 3000)).at(0).size(), 3000u);
  EXPECT_EQ(historyLines("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
}

class WhatsNewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::remove(rt::workingFolder() / "Historial.txt"); }
  void TearDown() override { std::filesystem::remove(rt::workingFolder() / "Historial.txt"); }
  rt::testing::Watchdog watchdog_;
};

TEST_F(WhatsNewWindowTest, AMissingFileIsSaidAndNoWindowOpens) {
  rt::testing::ScriptedMessages messages;
  rt::testing::WindowScript script;
  script.on("Historial de Modificaciones",
            [](rt::WindowDriver&) { ADD_FAILURE() << "a window opened"; });
  ASSERT_TRUE(rt::testing::runOnThread([] { WhatsNew(); }));
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].text, rt::errorText(rt::error::NoFile) + ": " +
                                          rt::runtimeName(rt::workingFolder() / "Historial.txt"));
  EXPECT_EQ(messages.asked()[0].caption, "Historial de Modificaciones");
}

TEST_F(WhatsNewWindowTest, ShowsTheRowsInTheirStyles) {
  std::ofstream(rt::workingFolder() / "historial.TXT") << "!Versión 9.0\n  + Respaldo\nsigue\n";
  rt::testing::WindowScript script;
  script.on("Historial de Modificaciones", [](rt::WindowDriver& w) {
    auto* list = w.control<QListWidget>("?LIST");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), QString::fromUtf8("!Versión 9.0"));
    EXPECT_TRUE(list->item(0)->font().bold());
    EXPECT_EQ(list->item(0)->font().family(), list->font().family()) << "in the list's face";
    EXPECT_EQ(list->item(1)->foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(list->item(2)->foreground().color(), QColor(0, 0, 255)) << "the style goes on";
    const int rowHeight = rt::DialogUnits::of(w.window()).y(10);
    EXPECT_EQ(list->visualItemRect(list->item(1)).height(), rowHeight) << "line height 10";
    EXPECT_TRUE(w.window()->property("rtFocusMarker").isValid()) << "the focus marker";
    w.post(rt::event::CloseWindow);
  });
  ASSERT_TRUE(rt::testing::runOnThread([] { WhatsNew(); }));
  EXPECT_EQ(script.pending(), 0);
  std::filesystem::remove(rt::workingFolder() / "historial.TXT");
}

}  // namespace
}  // namespace admin
